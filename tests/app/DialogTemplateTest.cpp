#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/Resource.h"
#include "app/gtk/DialogTemplate.h"

namespace {

using gtkdialog::ControlKind;

// The resource script is where the Windows dialog comes from; the GTK window
// must be built from the same template, control by control.
std::string ResourceScript() {
    std::ifstream in(ORB_RESOURCE_SCRIPT);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

const char* KindKeyword(ControlKind kind) {
    switch (kind) {
    case ControlKind::StaticText: return "LTEXT";
    case ControlKind::PushButton: return "PUSHBUTTON";
    case ControlKind::DefPushButton: return "DEFPUSHBUTTON";
    case ControlKind::EditField: return "EDITTEXT";
    case ControlKind::GroupBox: return "GROUPBOX";
    }
    return "";
}

int IdOf(const std::string& symbol) {
    struct Symbol {
        const char* name;
        int id;
    };
    const Symbol symbols[] = {{"IDC_STATIC", IDC_STATIC}, {"IDC_TIMESTAMP", IDC_TIMESTAMP}, {"IDC_START", IDC_START},
                              {"IDC_STOP", IDC_STOP},     {"IDC_COMPORT", IDC_COMPORT}};
    for (const Symbol& s : symbols) {
        if (symbol == s.name) {
            return s.id;
        }
    }
    return 0;
}

// One control line of the script, in the template's own words.
std::string Line(const char* keyword, const std::string& text, int id, int x, int y, int w, int h, bool disabled) {
    std::ostringstream line;
    line << keyword << " \"" << text << "\" " << id << " " << x << "," << y << "," << w << "," << h
         << (disabled ? " disabled" : "");
    return line.str();
}

TEST(DialogTemplateTest, TheGtkTemplateIsTheResourceScriptsDialog) {
    const std::string script = ResourceScript();
    ASSERT_FALSE(script.empty()) << ORB_RESOURCE_SCRIPT;

    const std::regex dialog(R"(IDD_ORBILANE_DIALOG DIALOGEX 0, 0, (\d+), (\d+))");
    const std::regex caption(R"re(CAPTION "([^"]*)")re");
    const std::regex font(R"(FONT (\d+),)");
    std::smatch m;
    const gtkdialog::DialogTemplate& t = gtkdialog::OrbilaneTemplate();
    ASSERT_TRUE(std::regex_search(script, m, dialog));
    EXPECT_EQ(std::stoi(m[1]), t.width);
    EXPECT_EQ(std::stoi(m[2]), t.height);
    ASSERT_TRUE(std::regex_search(script, m, caption));
    EXPECT_EQ(m[1].str(), t.caption);
    ASSERT_TRUE(std::regex_search(script, m, font));
    EXPECT_EQ(std::stoi(m[1]), t.fontPoints);

    // LTEXT "text", ID, x, y, w, h[, styles]   and   EDITTEXT ID, x, y, w, h[, styles]
    const std::regex control(
        R"re(^\s*(LTEXT|DEFPUSHBUTTON|PUSHBUTTON|GROUPBOX|EDITTEXT)\s+(?:"([^"]*)",\s*)?(\w+),\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+)(.*)$)re");
    std::vector<std::string> fromScript;
    std::istringstream lines(script);
    for (std::string line; std::getline(lines, line);) {
        if (std::regex_match(line, m, control)) {
            fromScript.push_back(Line(m[1].str().c_str(), m[2], IdOf(m[3]), std::stoi(m[4]), std::stoi(m[5]),
                                      std::stoi(m[6]), std::stoi(m[7]), m[8].str().find("WS_DISABLED") != std::string::npos));
        }
    }
    std::vector<std::string> fromTable;
    for (const gtkdialog::TemplateControl& c : t.controls) {
        fromTable.push_back(Line(KindKeyword(c.kind), c.text, c.id, c.x, c.y, c.width, c.height, c.disabled));
    }
    // The edit field's and the timestamp field's first texts are the script's too.
    EXPECT_EQ(fromTable, fromScript);
}

}  // namespace
