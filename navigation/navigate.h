#pragma once

#include <cstdint>
#include <string>

// Has the application that owns pid open url (an http:// or https://
// address without characters a command line could misread) and waits for
// the opener to end, then 1.5 s more. Returns the JSON text of the answer:
// {"success":true,"method":"open","url":url} or an error document.
std::string navigate(std::int32_t pid, const std::string& url);
