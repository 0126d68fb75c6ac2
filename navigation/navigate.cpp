#include "navigation/navigate.h"

#include <string_view>

#include "platform/processes.h"
#include "platform/timing.h"
#include "response/json.h"

namespace {

// Schemes are case-insensitive; ASCII folding suffices for the prefix test.
bool hasWebScheme(const std::string& url) {
    std::string lowered = url;
    for (char& c : lowered)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lowered.starts_with("http://") || lowered.starts_with("https://");
}

bool hasUnsafeCharacter(std::string_view url) { return url.find_first_of("\"\n\r ") != std::string_view::npos; }

}  // namespace

std::string navigate(std::int32_t pid, const std::string& url) {
    // The scheme test also keeps an address beginning with "-" from ever
    // reaching the opener, where it would read as an option.
    if (!hasWebScheme(url)) return errorResponse("navigate only accepts http:// or https:// URLs");
    if (hasUnsafeCharacter(url))
        return errorResponse("URL contains characters that are not safe to pass on a command line");

    // Only an application that declares it opens web addresses is handed
    // one: any other program would take it as a file to run or read.
    const platform::OpenerLookup opener = platform::openerCommand(pid, url);
    if (opener.notAWebBrowser)
        return errorResponse("The application of process " + std::to_string(pid) + " does not open web addresses");
    if (!opener.command)
        return errorResponse("Cannot locate the browser application for pid " + std::to_string(pid));

    // No shell: the address is one argument whatever it holds. The
    // opener's output never reaches our standard output, so the one
    // document stays the only thing there.
    const platform::LaunchResult launch = platform::launchProcess(*opener.command);
    if (!launch.process) return errorResponse("Launch failed: " + launch.errorDescription);

    const std::int32_t status = platform::waitForProcessExit(*launch.process);
    if (status != 0) return errorResponse("open exited with status " + std::to_string(status));

    // Give the application time to take the address before we answer.
    platform::sleepMicroseconds(1500000);

    JsonObject answer;
    answer.set("success", true);
    answer.set("method", "open");
    answer.set("url", url);
    return json(answer);
}
