#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "accessibility/applications.h"
#include "accessibility/attributes.h"
#include "platform/memory/memory_desktop.h"
#include "tree/element_path.h"
#include "tree/find_command.h"
#include "tree/read_tree_command.h"

namespace {

using Json = nlohmann::json;

// Every element has a distinct title, so a record names its element.
void growTree(memory::Node& parent, int depth, int& counter) {
    if (depth == 0) return;
    const int fanOut = 1 + (counter * 7) % 12;  // 1 to 12 children, varied
    for (int i = 0; i < fanOut && counter < 1500; ++i) {
        std::string title = "e";
        title += std::to_string(++counter);
        memory::Node& child = memory::newElement(i % 3 ? "AXButton" : "AXGroup", title);
        parent.addChild(child);
        growTree(child, depth - 1, counter);
    }
}

void collectRecords(const Json& record, std::vector<Json>& out) {
    out.push_back(record);
    if (record.contains("children"))
        for (const Json& child : record["children"]) collectRecords(child, out);
}

TEST(TreePaths, PrintedPathsResolveToTheirElements) {
    memory::resetDesktop();
    memory::Node& window = memory::newElement("AXWindow", "e0");
    memory::addApplication(5, "App").addWindow(window);
    int counter = 0;
    growTree(window, 6, counter);

    std::vector<Json> records;
    collectRecords(Json::parse(runReadTree({"tavik-ax", "read-tree", "5", "10"}).document), records);
    std::vector<Json> matches = Json::parse(runFind({"tavik-ax", "find", "5", "--label", "e"}).document);
    ASSERT_EQ(records.size(), static_cast<std::size_t>(counter) + 1);
    ASSERT_EQ(matches.size(), records.size());

    const auto root = getWindowElement(5, 0);
    ASSERT_TRUE(root);
    for (const std::vector<Json>* list : {&records, &matches}) {
        for (const Json& record : *list) {
            const std::string path = record["path"];
            const auto element = resolveElement(*root, path);
            ASSERT_TRUE(element) << path;
            EXPECT_EQ(getStringAttr(*element, "AXTitle"), record["title"].get<std::string>()) << path;
        }
    }
    // Both list the elements in the same pre-order.
    for (std::size_t i = 0; i < records.size(); ++i) EXPECT_EQ(records[i]["path"], matches[i]["path"]);
}

}  // namespace
