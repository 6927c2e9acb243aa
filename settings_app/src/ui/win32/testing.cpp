// Test and tool seams on Win32: driving dialogs by control id as the user does, and reading back
// what a user sees. Never linked into the program.
#include "ui/testing.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "ui/controls.h"
#include "ui/message_loop.h"
#include "ui/presenter.h"
#include "ui/template_registry.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <commctrl.h>
#include <richedit.h>

#include "ui/win32/backend.h"

namespace ui::testing {

using namespace ui::win32;

namespace {

// Answers what a hook is set for and leaves the rest to the platform.
class HookPresenter final : public Presenter {
  public:
    std::function<void(const MessageBoxCall&)> box;
    std::function<void(DialogBase&)> modal;
    std::function<std::optional<std::u16string>(const OpenFileCall&)> file;

    int messageBox(HWND owner, std::u16string_view text, std::u16string_view caption,
                   UINT type) override {
        if (!box) {
            return platformPresenter().messageBox(owner, text, caption, type);
        }
        box(MessageBoxCall{owner, std::u16string(text), std::u16string(caption), type});
        return IDOK;
    }

    std::optional<std::u16string> openFile(const OpenFileRequest& request) override {
        if (!file) {
            return platformPresenter().openFile(request);
        }
        return file(OpenFileCall{
            request.owner, {request.filters.begin(), request.filters.end()}, request.flags});
    }

    void runModal(DialogBase& dialog) override {
        if (!modal) {
            platformPresenter().runModal(dialog);
            return;
        }
        // A copy: the hook may replace itself while it runs.
        const auto hook = modal;
        ::HWND window = native(dialog.hwnd());
        hook(dialog);
        const DialogState* state = dialogState(window);
        if (state != nullptr && !state->ended) {
            SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
    }

    void update() { setPresenter(box || modal || file ? this : nullptr); }
};

HookPresenter& hooks() {
    static HookPresenter presenter;
    return presenter;
}

std::vector<int>& shownLog() {
    static std::vector<int> log;
    return log;
}

std::vector<const DialogTemplate*>& addedTemplates() {
    static std::vector<const DialogTemplate*> templates;
    return templates;
}

const DialogTemplate* findAddedTemplate(int id) {
    for (const DialogTemplate* t : addedTemplates()) {
        if (t->id == id) {
            return t;
        }
    }
    return nullptr;
}

// --- templates added by tests, as DLGTEMPLATEEX in memory ------------------------------------

class TemplateWriter {
  public:
    void word(uint16_t w) { bytes_.push_back(w); }
    void dword(uint32_t d) {
        word(static_cast<uint16_t>(d & 0xFFFFU));
        word(static_cast<uint16_t>(d >> 16));
    }
    void text(std::u16string_view s) {
        for (char16_t c : s) {
            word(static_cast<uint16_t>(c));
        }
        word(0);
    }
    void alignDword() {
        if (bytes_.size() % 2 != 0) {
            word(0);
        }
    }
    const void* data() const { return bytes_.data(); }

  private:
    std::vector<uint16_t> bytes_;  // WORD units: every field is a whole number of them
};

const wchar_t* className(ControlClass cls) {
    switch (cls) {
        case ControlClass::button:
            return L"BUTTON";
        case ControlClass::staticText:
            return L"STATIC";
        case ControlClass::edit:
            return L"EDIT";
        case ControlClass::richEdit:
            return L"RichEdit20W";
        case ControlClass::comboBox:
            return L"COMBOBOX";
        case ControlClass::listView:
            return L"SysListView32";
        case ControlClass::tabControl:
            return L"SysTabControl32";
    }
    return L"STATIC";
}

std::map<int, std::unique_ptr<TemplateWriter>>& builtTemplates() {
    static std::map<int, std::unique_ptr<TemplateWriter>> built;
    return built;
}

const void* buildTemplate(int id) {
    const DialogTemplate* t = findAddedTemplate(id);
    if (t == nullptr) {
        return nullptr;
    }
    auto writer = std::make_unique<TemplateWriter>();
    TemplateWriter& w = *writer;
    w.word(1);
    w.word(0xFFFF);
    w.dword(0);  // help id
    w.dword(0);  // extended style
    w.dword(t->style | DS_SETFONT);
    w.word(static_cast<uint16_t>(t->controls.size()));
    w.word(0);
    w.word(0);
    w.word(static_cast<uint16_t>(t->cx));
    w.word(static_cast<uint16_t>(t->cy));
    w.word(0);  // no menu
    w.word(0);  // the dialog class
    w.text(t->caption);
    w.word(static_cast<uint16_t>(t->fontPointSize));
    w.word(FW_NORMAL);
    w.word(0);  // italic, character set
    w.text(t->fontName);
    for (const ControlTemplate& c : t->controls) {
        w.alignDword();
        w.dword(0);
        w.dword(0);
        w.dword(c.style);
        w.word(static_cast<uint16_t>(c.rect.x));
        w.word(static_cast<uint16_t>(c.rect.y));
        w.word(static_cast<uint16_t>(c.rect.cx));
        w.word(static_cast<uint16_t>(c.rect.cy));
        w.dword(static_cast<uint32_t>(c.id));
        w.text(u16(className(c.cls), std::wcslen(className(c.cls))));
        w.text(c.text);
        w.word(0);  // no creation data
    }
    const void* data = w.data();
    builtTemplates()[id] = std::move(writer);
    return data;
}

// --- modal windows as they are shown ---------------------------------------------------------

std::function<void(const ShownModal&)>& observer() {
    static std::function<void(const ShownModal&)> f;
    return f;
}

HHOOK gActivateHook = nullptr;
constexpr UINT_PTR kObserveTimer = 0x5156;  // one pending report at a time
std::vector<::HWND> gToReport;

void CALLBACK reportShown(::HWND /*window*/, ::UINT /*message*/, UINT_PTR timer, DWORD /*time*/) {
    KillTimer(nullptr, timer);
    std::vector<::HWND> windows;
    windows.swap(gToReport);
    for (::HWND w : windows) {
        if (IsWindow(w) == FALSE || IsWindowVisible(w) == FALSE || !observer()) {
            continue;
        }
        ShownModal shown;
        shown.caption = win32::windowText(w);
        shown.owner = layer(GetWindow(w, GW_OWNER));
        if (DialogBase* dialog = dialogOf(w)) {
            shown.templateId = dialog->templateId();
        } else {
            // A message box's text is its static control 0xFFFF; its owner the window the
            // program gave it (a page), which the platform replaced by the top-level one.
            shown.text = win32::windowText(GetDlgItem(w, 0xFFFF));
            shown.owner = layer(askedOwner(GetWindow(w, GW_OWNER)));
        }
        observer()(shown);
    }
}

::LRESULT CALLBACK watchActivation(int code, ::WPARAM wParam, ::LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        auto* window = reinterpret_cast<::HWND>(wParam);  // NOLINT(performance-no-int-to-ptr)
        // A modal window: it has an owner, which it disables for its run.
        ::HWND owner = GetWindow(window, GW_OWNER);
        if (observer() && owner != nullptr && hasClass(window, L"#32770") &&
            std::find(gToReport.begin(), gToReport.end(), window) == gToReport.end()) {
            gToReport.push_back(window);
            // Reported from the loop that runs the window, once it is drawn.
            SetTimer(nullptr, kObserveTimer, 10, reportShown);
        }
    }
    return CallNextHookEx(gActivateHook, code, wParam, lParam);
}

// --- running queued calls from the loop ------------------------------------------------------

constexpr UINT kRunQueued = WM_APP + 0x51;

std::vector<std::function<void()>>& queued() {
    static std::vector<std::function<void()>> calls;
    return calls;
}

::LRESULT CALLBACK queueProc(::HWND window, ::UINT message, ::WPARAM wParam, ::LPARAM lParam) {
    if (message == kRunQueued) {
        std::vector<std::function<void()>> calls;
        calls.swap(queued());
        for (auto& f : calls) {
            f();
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// Runs the queued calls once the running loop has gone idle: posted from its idle phase, so
// that whatever was queued before them, and the idle handlers, come first.
class RunQueuedWhenIdle final : public IdleHandler {
  public:
    bool onIdle() override;
};

RunQueuedWhenIdle& whenIdle() {
    static RunQueuedWhenIdle handler;
    return handler;
}

::HWND queueWindow() {
    static ::HWND window = win32::createMessageOnlyWindow(L"QV410TestQueue", queueProc);
    return window;
}

bool RunQueuedWhenIdle::onIdle() {
    if (!queued().empty()) {
        PostMessageW(queueWindow(), kRunQueued, 0, 0);
    }
    return false;
}

// --- pictures --------------------------------------------------------------------------------

uint32_t crc32(const uint8_t* data, std::size_t size, uint32_t crc = 0) {
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xEDB88320U & (0U - (crc & 1U)));
        }
    }
    return ~crc;
}

void putBig32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<uint8_t>(v >> shift));
    }
}

void chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& body) {
    putBig32(out, static_cast<uint32_t>(body.size()));
    std::vector<uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), body.begin(), body.end());
    out.insert(out.end(), typed.begin(), typed.end());
    putBig32(out, crc32(typed.data(), typed.size()));
}

// An RGB picture as PNG, its image data in stored (uncompressed) deflate blocks.
bool writePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb) {
    std::vector<uint8_t> raw;
    const auto stride = static_cast<std::size_t>(width) * 3;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // no filter
        const auto* row = rgb.data() + static_cast<std::size_t>(y) * stride;
        raw.insert(raw.end(), row, row + stride);
    }
    std::vector<uint8_t> z{0x78, 0x01};
    uint32_t a = 1;
    uint32_t b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521U;
        b = (b + a) % 65521U;
    }
    for (std::size_t at = 0; at < raw.size() || at == 0;) {
        const std::size_t n = std::min<std::size_t>(raw.size() - at, 65535);
        const bool last = at + n >= raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<uint8_t>(n & 0xFF));
        z.push_back(static_cast<uint8_t>(n >> 8));
        z.push_back(static_cast<uint8_t>(~n & 0xFF));
        z.push_back(static_cast<uint8_t>((~n >> 8) & 0xFF));
        z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                 raw.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
        if (last) {
            break;
        }
    }
    putBig32(z, (b << 16) | a);
    std::vector<uint8_t> png{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<uint8_t> header;
    putBig32(header, static_cast<uint32_t>(width));
    putBig32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});
    chunk(png, "IHDR", header);
    chunk(png, "IDAT", z);
    chunk(png, "IEND", {});
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    return static_cast<bool>(file);
}

// The window as drawn, frame included, read from the screen.
bool capture(::HWND window, std::vector<uint8_t>& rgb, int& width, int& height) {
    ::RECT r{};
    if (window == nullptr || GetWindowRect(window, &r) == FALSE) {
        return false;
    }
    width = r.right - r.left;
    height = r.bottom - r.top;
    if (width <= 0 || height <= 0) {
        return false;
    }
    UpdateWindow(window);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const bool ok = bitmap != nullptr;
    if (ok) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        if (PrintWindow(window, memory, 0) == FALSE) {
            BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
        }
        GdiFlush();
        const auto* px = static_cast<const uint8_t*>(bits);
        rgb.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
        for (std::size_t i = 0; i < rgb.size() / 3; ++i) {
            rgb[i * 3] = px[i * 4 + 2];
            rgb[i * 3 + 1] = px[i * 4 + 1];
            rgb[i * 3 + 2] = px[i * 4];
        }
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

bool saveWindow(::HWND window, const std::string& path) {
    std::vector<uint8_t> rgb;
    int width = 0;
    int height = 0;
    return capture(window, rgb, width, height) && writePng(path, width, height, rgb);
}

// --- keys ------------------------------------------------------------------------------------

// Sends one key press the way the running loop would see it: the modal dialog's own run, or the
// message loop's filters for a modeless one; whatever neither takes is dispatched.
void deliverKey(::HWND target, WPARAM virtualKey, bool control, bool shift) {
    std::array<BYTE, 256> saved{};
    GetKeyboardState(saved.data());
    std::array<BYTE, 256> held = saved;
    held[VK_CONTROL] = control ? 0x80 : 0;
    held[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(held.data());

    ui::MSG msg;
    msg.hwnd = layer(target);
    msg.message = WM_KEYDOWN;
    msg.wParam = virtualKey;
    msg.lParam = 1;
    msg.control = control;
    msg.shift = shift;
    ::HWND top = topLevelOf(target);
    const DialogState* state = dialogState(top);
    bool consumed = false;
    if (state != nullptr && state->modal) {
        consumed = isDialogMessage(layer(top), msg);
    } else if (dialogOf(top) == nullptr && hasClass(top, L"#32770")) {
        // A message box or the file dialog: the dialog manager's own handling.
        ::MSG nativeMsg = toNative(msg);
        consumed = IsDialogMessageW(top, &nativeMsg) != FALSE;
    } else if (MessageLoop* loop = appModule().getMessageLoop()) {
        consumed = loop->preTranslate(msg);
    }
    if (!consumed) {
        ::MSG nativeMsg = toNative(msg);
        TranslateMessage(&nativeMsg);
        DispatchMessageW(&nativeMsg);
    }
    // The characters the key types (a line break in a multi-line field) arrive with the press,
    // before anything else is looked at.
    ::MSG typed{};
    while (PeekMessageW(&typed, nullptr, WM_CHAR, WM_CHAR, PM_REMOVE) != FALSE) {
        if (typed.message == WM_QUIT) {
            // Taken whatever the filter; left for the loop that is meant to end.
            PostQuitMessage(static_cast<int>(typed.wParam));
            break;
        }
        DispatchMessageW(&typed);
    }
    SetKeyboardState(saved.data());
}

::HWND focusWithin(::HWND top) {
    ::HWND focus = GetFocus();
    return focus != nullptr && (focus == top || IsChild(top, focus) != FALSE) ? focus : top;
}

bool usable(::HWND window) {
    return window != nullptr && IsWindowEnabled(window) != FALSE &&
           IsWindowVisible(window) != FALSE;
}

// Enabled, and so is every window it lies in: what typing and choosing need, on a page behind
// another tab as much as on the one shown.
bool enabled(::HWND window) {
    for (::HWND w = window; w != nullptr; w = GetParent(w)) {
        if (IsWindowEnabled(w) == FALSE) {
            return false;
        }
        if ((GetWindowLongPtrW(w, GWL_STYLE) & WS_CHILD) == 0) {
            break;
        }
    }
    return window != nullptr;
}

void recordShown(int templateId) {
    shownLog().push_back(templateId);
}

// Template entry of a control, found through the dialog it belongs to.
const ControlTemplate* controlTemplate(::HWND control) {
    DialogBase* dialog = dialogOf(GetParent(control));
    const DialogTemplate* t =
        dialog != nullptr ? findDialogTemplate(dialog->templateId()) : nullptr;
    if (t == nullptr) {
        return nullptr;
    }
    const int id = GetDlgCtrlID(control);
    for (const ControlTemplate& c : t->controls) {
        if (c.id == id) {
            return &c;
        }
    }
    return nullptr;
}

bool isField(::HWND window) {
    return hasClass(window, WC_EDITW) || hasClass(window, L"RichEdit20W") ||
           hasClass(window, WC_COMBOBOXW) || hasClass(window, WC_LISTVIEWW);
}

// The static text naming a control: the one paired with it in the template, else for a field
// or list the static text just before it (windows of a dialog are in template order).
::HWND labelOf(::HWND control) {
    if (control == nullptr) {
        return nullptr;
    }
    if (const ControlTemplate* c = controlTemplate(control); c != nullptr && c->labelId != 0) {
        return GetDlgItem(GetParent(control), c->labelId);
    }
    if (!isField(control)) {
        return nullptr;
    }
    ::HWND previous = GetWindow(control, GW_HWNDPREV);
    return previous != nullptr && hasClass(previous, WC_STATICW) ? previous : nullptr;
}

std::u16string withoutMnemonics(std::u16string text) {
    text.erase(std::remove(text.begin(), text.end(), u'&'), text.end());
    return text;
}

struct DialogSearch {
    int id;
    DialogBase* found = nullptr;
};

BOOL CALLBACK searchChild(::HWND window, ::LPARAM data) {
    auto* s = reinterpret_cast<DialogSearch*>(data);  // NOLINT(performance-no-int-to-ptr)
    if (DialogBase* d = dialogOf(window); d != nullptr && d->templateId() == s->id) {
        s->found = d;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK searchTopLevel(::HWND window, ::LPARAM data) {
    auto* s = reinterpret_cast<DialogSearch*>(data);  // NOLINT(performance-no-int-to-ptr)
    if (searchChild(window, data) != FALSE) {
        EnumChildWindows(window, searchChild, data);
    }
    return s->found == nullptr ? TRUE : FALSE;
}

}  // namespace

void setMessageBoxHook(std::function<void(const MessageBoxCall&)> hook) {
    hooks().box = std::move(hook);
    hooks().update();
}

void setModalHook(std::function<void(DialogBase& dialog)> hook) {
    hooks().modal = std::move(hook);
    hooks().update();
}

void setOpenFileHook(std::function<std::optional<std::u16string>(const OpenFileCall&)> hook) {
    hooks().file = std::move(hook);
    hooks().update();
}

void setModalObserver(std::function<void(const ShownModal&)> f) {
    observer() = std::move(f);
    if (observer() && gActivateHook == nullptr) {
        gActivateHook = SetWindowsHookExW(WH_CBT, watchActivation, nullptr, GetCurrentThreadId());
    } else if (!observer() && gActivateHook != nullptr) {
        UnhookWindowsHookEx(gActivateHook);
        gActivateHook = nullptr;
    }
}

bool saveActiveModal(const std::string& path) {
    ::HWND active = GetActiveWindow();
    return active != nullptr && GetWindow(active, GW_OWNER) != nullptr && saveWindow(active, path);
}

bool pressKeyInActiveModal(WPARAM virtualKey) {
    ::HWND active = GetActiveWindow();
    if (active == nullptr || GetWindow(active, GW_OWNER) == nullptr) {
        return false;
    }
    // Queued, as a key press is: the modal window's own loop takes it.
    PostMessageW(focusWithin(active), WM_KEYDOWN, virtualKey, 1);
    return true;
}

bool busyCursorShown() {
    return win32::busyCursorShown();
}

void addDialogTemplate(const DialogTemplate& dialogTemplate) {
    addedTemplates().insert(addedTemplates().begin(), &dialogTemplate);
    builtTemplates().erase(dialogTemplate.id);
    ui::setTemplateSource(&findAddedTemplate);
    win32::setTestTemplateBuilder(&buildTemplate);
}

DialogBase* findDialog(int templateId) {
    DialogSearch search{templateId};
    EnumThreadWindows(GetCurrentThreadId(), searchTopLevel, reinterpret_cast<::LPARAM>(&search));
    return search.found;
}

const std::vector<int>& shownDialogs() {
    setDialogShownListener(&recordShown);
    return shownLog();
}

void clearShownDialogs() {
    setDialogShownListener(&recordShown);
    shownLog().clear();
}

bool click(DialogBase& dialog, int id) {
    ::HWND item = native(dialog.getDlgItem(id));
    if (!usable(item) || !hasClass(item, WC_BUTTONW)) {
        return false;
    }
    const auto type = static_cast<UINT>(GetWindowLongPtrW(item, GWL_STYLE)) & BS_TYPEMASK;
    if (type == BS_AUTOCHECKBOX) {
        const LRESULT checked = SendMessageW(item, BM_GETCHECK, 0, 0);
        SendMessageW(item, BM_SETCHECK, checked == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
    }
    SendMessageW(GetParent(item), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(item));
    return true;
}

bool clickTab(DialogBase& dialog, int tabControlId, int index) {
    ::HWND tabs = native(dialog.getDlgItem(tabControlId));
    if (!usable(tabs) || index < 0 ||
        index >= static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0))) {
        return false;
    }
    ::NMHDR header{};
    header.hwndFrom = tabs;
    header.idFrom = static_cast<UINT_PTR>(tabControlId);
    header.code = static_cast<UINT>(TCN_SELCHANGING);
    if (SendMessageW(GetParent(tabs), WM_NOTIFY, header.idFrom,
                     reinterpret_cast<LPARAM>(&header)) != 0) {
        return true;  // the page refused to be left
    }
    SendMessageW(tabs, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    header.code = static_cast<UINT>(TCN_SELCHANGE);
    SendMessageW(GetParent(tabs), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
    return true;
}

bool typeText(DialogBase& dialog, int id, const std::u16string& text) {
    ::HWND item = native(dialog.getDlgItem(id));
    if (!enabled(item) || !(hasClass(item, WC_EDITW) || hasClass(item, L"RichEdit20W")) ||
        (GetWindowLongPtrW(item, GWL_STYLE) & ES_READONLY) != 0) {
        return false;
    }
    SendMessageW(item, EM_SETSEL, 0, -1);
    // Typed text replaces the selection; the field tells its dialog as typing does.
    SendMessageW(item, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(wide(text.c_str())));
    if (hasClass(item, L"RichEdit20W")) {
        SendMessageW(GetParent(item), WM_COMMAND, MAKEWPARAM(id, EN_CHANGE),
                     reinterpret_cast<LPARAM>(item));
    }
    return true;
}

bool chooseListEntry(DialogBase& dialog, int id, int index) {
    ::HWND item = native(dialog.getDlgItem(id));
    if (!enabled(item) || index < 0 ||
        index >= static_cast<int>(SendMessageW(item, CB_GETCOUNT, 0, 0))) {
        return false;
    }
    SendMessageW(item, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(GetParent(item), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(item));
    return true;
}

void pressKey(DialogBase& dialog, WPARAM virtualKey, bool control, bool shift) {
    ::HWND window = native(dialog.hwnd());
    if (window == nullptr) {
        return;
    }
    deliverKey(focusWithin(topLevelOf(window)), virtualKey, control, shift);
}

bool openDropDown(DialogBase& dialog, int id) {
    ::HWND item = native(dialog.getDlgItem(id));
    if (!usable(item) || !hasClass(item, WC_COMBOBOXW)) {
        return false;
    }
    SetFocus(item);
    SendMessageW(item, CB_SHOWDROPDOWN, TRUE, 0);
    return dropDownOpen(dialog, id);
}

bool dropDownOpen(DialogBase& dialog, int id) {
    ::HWND item = native(dialog.getDlgItem(id));
    return item != nullptr && SendMessageW(item, CB_GETDROPPEDSTATE, 0, 0) != 0;
}

std::u16string fontFamily(HWND window) {
    auto font = reinterpret_cast<HFONT>(SendMessageW(native(window), WM_GETFONT, 0, 0));
    LOGFONTW logFont{};
    if (font == nullptr || GetObjectW(font, sizeof logFont, &logFont) == 0) {
        return {};
    }
    return std::u16string(reinterpret_cast<const char16_t*>(logFont.lfFaceName));
}

bool focusControl(DialogBase& dialog, int id) {
    ::HWND item = native(dialog.getDlgItem(id));
    if (!usable(item)) {
        return false;
    }
    SetFocus(item);
    return GetFocus() == item;
}

void closeBox(DialogBase& dialog) {
    ::HWND window = native(dialog.hwnd());
    if (window == nullptr) {
        return;
    }
    SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    // The dialog manager posts the Cancel that a close becomes: delivered now, as a click is.
    ::MSG msg{};
    while (IsWindow(window) != FALSE &&
           PeekMessageW(&msg, window, WM_COMMAND, WM_COMMAND, PM_REMOVE) != FALSE) {
        DispatchMessageW(&msg);
    }
}

void processEvents() {
    ::MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) {
        if (msg.message == WM_QUIT) {
            // Left for the loop that is meant to end.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void postToLoop(std::function<void()> f) {
    queued().push_back(std::move(f));
    if (MessageLoop* loop = runningMessageLoop()) {
        // Once, whichever loop runs now.
        loop->removeIdleHandler(&whenIdle());
        loop->addIdleHandler(&whenIdle());
        return;
    }
    // No loop runs yet: the first one to run takes it.
    PostMessageW(queueWindow(), kRunQueued, 0, 0);
}

std::u16string windowText(HWND window) {
    return win32::windowText(native(window));
}

std::u16string accessibleName(HWND window) {
    ::HWND w = native(window);
    if (w == nullptr) {
        return {};
    }
    // As assistive tools read a dialog: a button, a box and a static text by their own text; a
    // drop-down list by its entry; a field by its label; a list without one by its heading.
    if (hasClass(w, WC_STATICW) || hasClass(w, WC_BUTTONW)) {
        return withoutMnemonics(win32::windowText(w));
    }
    if (hasClass(w, WC_COMBOBOXW)) {
        const auto selected = static_cast<int>(SendMessageW(w, CB_GETCURSEL, 0, 0));
        return selected >= 0 ? ComboBox(window).getLBText(selected) : std::u16string();
    }
    if (::HWND label = labelOf(w)) {
        return withoutMnemonics(win32::windowText(label));
    }
    if (hasClass(w, WC_LISTVIEWW)) {
        return ListView(window).getColumnText(0);
    }
    return win32::windowText(w);
}

std::u16string accessibleLabel(HWND window) {
    ::HWND label = labelOf(native(window));
    return label != nullptr ? win32::windowText(label) : std::u16string();
}

bool isMinimized(HWND window) {
    return window != nullptr && IsIconic(native(window)) != FALSE;
}

bool hasFocus(HWND window) {
    return window != nullptr && GetFocus() == native(window);
}

bool hasIcon(HWND window) {
    ::HWND w = native(window);
    return w != nullptr && (SendMessageW(w, WM_GETICON, ICON_BIG, 0) != 0 ||
                            SendMessageW(w, WM_GETICON, ICON_SMALL, 0) != 0);
}

RECT screenRect(HWND window) {
    ::RECT r{};
    if (window == nullptr || GetWindowRect(native(window), &r) == FALSE) {
        return {};
    }
    return RECT{r.left, r.top, r.right, r.bottom};
}

RECT workArea(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(native(window), MONITOR_DEFAULTTONEAREST), &monitor);
    return RECT{monitor.rcWork.left, monitor.rcWork.top, monitor.rcWork.right,
                monitor.rcWork.bottom};
}

COLORREF backgroundColor(HWND window) {
    ::HWND w = native(window);
    if (w == nullptr) {
        return 0;
    }
    // What the dialog paints its background with: the WM_CTLCOLORDLG brush, else the system's.
    HDC dc = GetDC(w);
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(w, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(w)));
    ReleaseDC(w, dc);
    LOGBRUSH logBrush{};
    if (brush != nullptr && GetObjectW(brush, sizeof logBrush, &logBrush) != 0 &&
        logBrush.lbStyle == BS_SOLID) {
        return logBrush.lbColor;
    }
    return GetSysColor(COLOR_BTNFACE);
}

bool saveScreenshot(HWND window, const std::string& path) {
    return saveWindow(native(window), path);
}

}  // namespace ui::testing
