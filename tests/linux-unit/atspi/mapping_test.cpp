// The AT-SPI2 backend's naming of roles and actions in the macOS vocabulary.
#include <atspi/atspi-constants.h>
#include <gtest/gtest.h>

#include "platform/linux/atspi/actions.h"
#include "platform/linux/atspi/roles.h"

namespace {

using platform::atspi::ElementRecord;

ElementRecord withRole(std::uint32_t role, std::initializer_list<AtspiStateType> states = {}) {
    ElementRecord record;
    record.role = role;
    record.states = 0;
    for (AtspiStateType state : states) *record.states |= std::uint64_t{1} << state;
    return record;
}

TEST(AtspiRoleNames, ComeFromTheTableFromStatesOrFromTheAtspiName) {
    struct Case {
        ElementRecord record;
        std::optional<std::string> name;
    };
    const Case cases[] = {
        {withRole(ATSPI_ROLE_PUSH_BUTTON), "AXButton"},
        {withRole(ATSPI_ROLE_FRAME), "AXWindow"},
        {withRole(ATSPI_ROLE_PANEL), "AXGroup"},
        {withRole(ATSPI_ROLE_TREE_TABLE), "AXOutline"},
        {withRole(ATSPI_ROLE_APPLICATION), "AXApplication"},
        // Settled by the element's states.
        {withRole(ATSPI_ROLE_TOGGLE_BUTTON), "AXButton"},
        {withRole(ATSPI_ROLE_TOGGLE_BUTTON, {ATSPI_STATE_CHECKABLE}), "AXCheckBox"},
        {withRole(ATSPI_ROLE_COMBO_BOX), "AXPopUpButton"},
        {withRole(ATSPI_ROLE_COMBO_BOX, {ATSPI_STATE_EDITABLE}), "AXComboBox"},
        {withRole(ATSPI_ROLE_TEXT, {ATSPI_STATE_SINGLE_LINE}), "AXTextField"},
        {withRole(ATSPI_ROLE_TEXT, {ATSPI_STATE_MULTI_LINE}), "AXTextArea"},
        {withRole(ATSPI_ROLE_PASSWORD_TEXT), "AXTextField"},
        // Every other role after its AT-SPI name, each word capitalised.
        {withRole(ATSPI_ROLE_PAGE_TAB), "AXPageTab"},
        {withRole(ATSPI_ROLE_TABLE_COLUMN_HEADER), "AXTableColumnHeader"},
        {withRole(ATSPI_ROLE_UNKNOWN), "AXUnknown"},
        // A role number this libatspi does not know, and no role at all.
        {withRole(ATSPI_ROLE_LAST_DEFINED + 7), std::nullopt},
        {ElementRecord{}, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::atspi::axRoleName(c.record), c.name) << (c.record.role ? *c.record.role : 0);
    }
}

TEST(AtspiActionNames, MapPressAndMenuNamesInAnyCaseAndCamelCaseTheRest) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"click", "AXPress"},   {"press", "AXPress"},     {"Press", "AXPress"},
        {"activate", "AXPress"}, {"toggle", "AXPress"},   {"jump", "AXPress"},
        {"showmenu", "AXShowMenu"}, {"ShowMenu", "AXShowMenu"}, {"popup", "AXShowMenu"},
        // Browsers' verbs.
        {"check", "AXPress"}, {"uncheck", "AXPress"}, {"open", "AXPress"}, {"select", "AXPress"},
        {"clickAncestor", "AXPress"}, {"showContextMenu", "AXShowMenu"}, {"doDefault", "AXDoDefault"},
        {"expand or contract", "AXExpandOrContract"}, {"SetFocus", "AXSetFocus"},
        {"increment", "AXIncrement"}, {"", std::nullopt},
    };
    for (const auto& [atspiName, axName] : cases) {
        EXPECT_EQ(platform::atspi::axActionName(atspiName), axName) << atspiName;
    }
}

TEST(AtspiActionNames, ListEachNameOnceAndPerformTheFirstThatMaps) {
    const std::vector<std::string> actions = {"activate", "expand or contract", "click", "popup", "showmenu", ""};
    EXPECT_EQ(platform::atspi::axActionNames(actions),
              (std::vector<std::string>{"AXPress", "AXExpandOrContract", "AXShowMenu"}));
    EXPECT_EQ(platform::atspi::actionIndexFor(actions, "AXPress"), 0);
    EXPECT_EQ(platform::atspi::actionIndexFor(actions, "AXShowMenu"), 3);
    EXPECT_EQ(platform::atspi::actionIndexFor(actions, "AXExpandOrContract"), 1);
    EXPECT_EQ(platform::atspi::actionIndexFor(actions, "AXCancel"), std::nullopt);
    EXPECT_EQ(platform::atspi::actionIndexFor({}, "AXPress"), std::nullopt);
}

TEST(AtspiActionNames, ChromiumsDefaultActionPressesOnlyControls) {
    struct Case {
        std::uint32_t role;
        std::vector<std::string> actions;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {ATSPI_ROLE_PUSH_BUTTON, {"doDefault", "showContextMenu"}, {"AXPress", "AXShowMenu"}},
        {ATSPI_ROLE_LINK, {"doDefault"}, {"AXPress"}},
        // A control with a press of its own keeps both apart.
        {ATSPI_ROLE_PUSH_BUTTON, {"doDefault", "press"}, {"AXDoDefault", "AXPress"}},
        // A container is no control: nothing to press.
        {ATSPI_ROLE_PANEL, {"doDefault", "showContextMenu"}, {"AXDoDefault", "AXShowMenu"}},
        // GTK 4.18's tree expander button: its toggle is the press.
        {ATSPI_ROLE_PUSH_BUTTON,
         {"listitem.toggle-expand", "listitem.collapse", "listitem.expand"},
         {"AXPress", "AXListitem.collapse", "AXListitem.expand"}},
    };
    for (const Case& c : cases) {
        ElementRecord record = withRole(c.role);
        record.actions = c.actions;
        platform::atspi::nameDefaultPress(record);
        EXPECT_EQ(platform::atspi::axActionNames(*record.actions), c.names) << c.role;
        // The press performs the action the toolkit listed at that index.
        if (c.names[0] == "AXPress") {
            EXPECT_EQ(platform::atspi::actionIndexFor(*record.actions, "AXPress"), 0);
        }
    }
}

}  // namespace
