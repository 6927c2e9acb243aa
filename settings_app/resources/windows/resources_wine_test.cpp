// The generated resources in a real Windows program: every dialog created by the system's
// dialog manager from this module's templates equals the template data, icon 128 loads at each
// size, the manifest brings in Common Controls 6 and the version reads back.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "resource_ids.h"
#include "ui/dialog_template.h"
// After the layer's headers, whose names <windows.h> would otherwise redefine.
#include <windows.h>

#include <commctrl.h>
#include <winver.h>

namespace {

INT_PTR CALLBACK ignoreAll(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

std::u16string textOf(HWND window) {
    wchar_t buffer[512] = {};
    GetWindowTextW(window, buffer, static_cast<int>(std::size(buffer)));
    return std::u16string(reinterpret_cast<const char16_t*>(buffer));
}

std::wstring classOf(HWND window) {
    wchar_t buffer[128] = {};
    GetClassNameW(window, buffer, static_cast<int>(std::size(buffer)));
    return buffer;
}

const wchar_t* className(ui::ControlClass cls) {
    switch (cls) {
        case ui::ControlClass::button:
            return L"Button";
        case ui::ControlClass::staticText:
            return L"Static";
        case ui::ControlClass::edit:
            return L"Edit";
        case ui::ControlClass::richEdit:
            return L"RichEdit20W";
        case ui::ControlClass::comboBox:
            return L"ComboBox";
        case ui::ControlClass::listView:
            return L"SysListView32";
        case ui::ControlClass::tabControl:
            return L"SysTabControl32";
    }
    return L"?";
}

class ModuleResources : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{sizeof(controls),
                                      ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES};
        InitCommonControlsEx(&controls);
        LoadLibraryW(L"RICHED20.DLL");
    }
    void SetUp() override {
        owner_ = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
        if (owner_ == nullptr) {
            GTEST_SKIP() << "no window can be created here (under Wine: no X display)";
        }
    }
    void TearDown() override {
        if (owner_ != nullptr) {
            DestroyWindow(owner_);
        }
    }
    HWND owner_ = nullptr;
};

TEST_F(ModuleResources, EveryDialogIsCreatedFromItsTemplateAsTheDataSays) {
    for (const ui::DialogTemplate* t : ui::programDialogTemplates()) {
        SCOPED_TRACE("dialog " + std::to_string(t->id));
        HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(t->id), owner_,
                                         ignoreAll, 0);
        ASSERT_NE(dialog, nullptr) << "error " << GetLastError();
        EXPECT_TRUE(textOf(dialog) == t->caption);
        // The template's size is the client area's, in dialog units.
        RECT size{0, 0, t->cx, t->cy};
        MapDialogRect(dialog, &size);
        RECT client{};
        GetClientRect(dialog, &client);
        EXPECT_EQ(client.right, size.right);
        EXPECT_EQ(client.bottom, size.bottom);

        HWND child = GetWindow(dialog, GW_CHILD);
        for (const ui::ControlTemplate& want : t->controls) {
            SCOPED_TRACE("control " + std::to_string(want.id));
            ASSERT_NE(child, nullptr) << "fewer controls than the template";
            EXPECT_EQ(GetDlgCtrlID(child), want.id);
            EXPECT_EQ(_wcsicmp(classOf(child).c_str(), className(want.cls)), 0);
            // The dialog manager draws a control's border as a sunken client edge.
            const auto style = static_cast<uint32_t>(GetWindowLongW(child, GWL_STYLE));
            const auto exStyle = static_cast<uint32_t>(GetWindowLongW(child, GWL_EXSTYLE));
            uint32_t wantBorderless = want.style & ~static_cast<uint32_t>(WS_BORDER);
            if (want.cls == ui::ControlClass::comboBox) {  // its list takes the scroll bar
                wantBorderless &= ~static_cast<uint32_t>(WS_VSCROLL);
            }
            // One default push button at a time: the dialog manager moves the style with it.
            if (want.cls == ui::ControlClass::button &&
                (want.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
                wantBorderless &= ~static_cast<uint32_t>(BS_DEFPUSHBUTTON);
            }
            EXPECT_EQ(style & wantBorderless, wantBorderless) << std::hex << style;
            if ((want.style & WS_BORDER) != 0) {
                EXPECT_TRUE((style & WS_BORDER) != 0 || (exStyle & WS_EX_CLIENTEDGE) != 0);
            }
            if (want.cls != ui::ControlClass::richEdit && want.cls != ui::ControlClass::comboBox) {
                EXPECT_TRUE(textOf(child) == want.text);
            }
            // Position and size are converted from dialog units each on its own.
            RECT units{want.rect.x, want.rect.y, want.rect.cx, want.rect.cy};
            MapDialogRect(dialog, &units);
            const RECT expected{units.left, units.top, units.left + units.right,
                                units.top + units.bottom};
            RECT actual{};
            GetWindowRect(child, &actual);
            MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
            EXPECT_EQ(actual.left, expected.left);
            EXPECT_EQ(actual.top, expected.top);
            EXPECT_EQ(actual.right, expected.right);
            if (want.cls != ui::ControlClass::comboBox) {  // its height is the drop-down's
                EXPECT_EQ(actual.bottom, expected.bottom);
            }
            child = GetWindow(child, GW_HWNDNEXT);
        }
        EXPECT_EQ(child, nullptr) << "more controls than the template";
        DestroyWindow(dialog);
    }
}

TEST_F(ModuleResources, IconLoadsAtEachSizeItHolds) {
    for (const int size : {16, 32, 48}) {
        SCOPED_TRACE(size);
        HICON icon =
            static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP_ICON),
                                          IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
        ASSERT_NE(icon, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour{};
        ASSERT_NE(GetObjectW(info.hbmColor, sizeof(colour), &colour), 0);
        EXPECT_EQ(colour.bmWidth, size);
        EXPECT_EQ(colour.bmHeight, size);
        EXPECT_EQ(colour.bmBitsPixel, 32);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

TEST(ModuleManifest, BringsInCommonControls6) {
    // The manifest's dependency makes the loader take comctl32 from the side-by-side store.
    wchar_t path[MAX_PATH] = {};
    ASSERT_NE(GetModuleFileNameW(GetModuleHandleW(L"comctl32.dll"), path, MAX_PATH), 0U);
    std::wstring lower(path);
    for (wchar_t& c : lower) {
        c = static_cast<wchar_t>(towlower(c));
    }
    EXPECT_NE(lower.find(L"\\winsxs\\"), std::wstring::npos)
        << std::string(lower.begin(), lower.end());
    EXPECT_NE(lower.find(L"common-controls"), std::wstring::npos);
}

TEST(ModuleVersion, ReadsAsTheProjectVersion) {
    wchar_t self[MAX_PATH] = {};
    ASSERT_NE(GetModuleFileNameW(nullptr, self, MAX_PATH), 0U);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(self, &ignored);
    ASSERT_GT(size, 0U);
    std::vector<char> data(size);
    ASSERT_TRUE(GetFileVersionInfoW(self, 0, size, data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    unsigned major = 0;
    unsigned minor = 0;
    ASSERT_EQ(std::sscanf(QV410_VERSION, "%u.%u", &major, &minor), 2);
    EXPECT_EQ(fixed->dwFileVersionMS, (major << 16) | minor);
    EXPECT_EQ(fixed->dwProductVersionMS, (major << 16) | minor);
    wchar_t* name = nullptr;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\StringFileInfo\\040904B0\\OriginalFilename",
                               reinterpret_cast<void**>(&name), &length));
    EXPECT_STREQ(name, L"QV-410SettingTool.exe");
}

}  // namespace
