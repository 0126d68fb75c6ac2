#include "accessibility/window_list.h"

#include "accessibility/applications.h"
#include "accessibility/attributes.h"
#include "accessibility/geometry_conversion.h"
#include "platform/applications.h"
#include "response/text_cut.h"

std::vector<JsonObject> listWindows() {
    std::vector<JsonObject> records;
    for (const platform::RunningApplication& application : platform::runningApplications()) {
        if (application.policy != platform::ActivationPolicy::regular) continue;
        const auto windows = getElementList(getAppElement(application.pid), "AXWindows");
        if (!windows) continue;
        const std::string name = application.localizedName.value_or("Unknown");
        for (std::size_t i = 0; i < windows->size(); ++i) {
            const Element& window = (*windows)[i];
            std::string title = getStringAttr(window, "AXTitle").value_or("");
            // An untitled window gets no record but keeps its index.
            if (title.empty()) continue;
            JsonObject record;
            record.set("app", name);
            record.set("pid", application.pid);
            record.set("windowIndex", static_cast<std::int64_t>(i));
            record.set("title", cutText(std::move(title)));
            if (const auto position = getPosition(window))
                setConvertedPair(record, "x", position->x, "y", position->y);
            if (const auto size = getSize(window))
                setConvertedPair(record, "width", size->width, "height", size->height);
            records.push_back(std::move(record));
        }
    }
    return records;
}
