#include "mcp/tool_call.h"

#include <cstring>
#include <string>

#include "mcp/base64.h"
#include "mcp/png_preview.h"

namespace {

nlohmann::json textContent(const std::string& text) { return {{"type", "text"}, {"text", text}}; }

nlohmann::json result(nlohmann::json content, bool isError) {
    return {{"content", std::move(content)}, {"isError", isError}};
}

// Whether the document is the error document: an object whose only key is "error".
bool isErrorDocument(const nlohmann::json& document) {
    return document.is_object() && document.size() == 1 && document.contains("error");
}

std::string commandName(const Tool& tool) { return "tavik-ax " + tool.command; }

}  // namespace

nlohmann::json toolError(const std::string& message) {
    return result(nlohmann::json::array({textContent(message)}), true);
}

nlohmann::json toolResult(const Tool& tool, const ToolArguments& arguments, const RunOutcome& outcome,
                          std::chrono::milliseconds timeout) {
    switch (outcome.end) {
        case RunOutcome::End::NotStarted:
            return toolError("Could not start tavik-ax: " + std::string(std::strerror(outcome.code)));
        case RunOutcome::End::TimedOut:
            return toolError(commandName(tool) + " ran past the time-out of " + std::to_string(timeout.count()) +
                             " ms and was stopped");
        case RunOutcome::End::Interrupted:
            return toolError(commandName(tool) + " was stopped because the server is stopping");
        case RunOutcome::End::TooMuchOutput:
            return toolError(commandName(tool) + " printed more than the server keeps and was stopped");
        case RunOutcome::End::Signalled:
            return toolError(commandName(tool) + " ended by signal " + std::to_string(outcome.code) + " (" +
                             std::string(strsignal(outcome.code)) + ") without an answer");
        case RunOutcome::End::Exited:
            break;
    }

    std::string text = outcome.output;
    if (!text.empty() && text.back() == '\n') text.pop_back();
    const nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
    if (document.is_discarded())
        return toolError(commandName(tool) + " gave no JSON document (exit status " + std::to_string(outcome.code) +
                         ")" + (text.empty() ? "" : ": " + text));
    const bool failed = outcome.code != 0 || isErrorDocument(document);
    nlohmann::json content = nlohmann::json::array({textContent(text)});

    if (tool.returnsImage && !failed) {
        const auto path = document.find("path");
        if (path != document.end() && path->is_string()) {
            const auto png = pngForAgent(path->get<std::string>(), arguments.has("downscale"));
            if (png)
                content.push_back({{"type", "image"}, {"data", base64Encode(*png)}, {"mimeType", "image/png"}});
            else
                content.push_back(textContent("The picture could not be read back from " + path->get<std::string>()));
        }
    }
    return result(std::move(content), failed);
}
