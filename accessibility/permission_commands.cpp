#include "accessibility/permission_commands.h"

#include "accessibility/applications.h"

CommandResult runCheckPermission(const Arguments&) {
    JsonObject answer;
    answer.set("trusted", checkPermission());
    return completed(json(answer));
}

CommandResult runActivate(const Arguments& arguments) {
    const auto pidText = argumentAt(arguments, 2);
    const auto pid = pidText ? parseInt32(*pidText) : std::nullopt;
    if (!pid) return errorExit("Usage: tavik-ax activate <pid>");
    JsonObject answer;
    answer.set("success", activateAccessibility(*pid));
    answer.set("pid", *pid);
    return completed(json(answer));
}
