// Templates added by tests, written as DLGTEMPLATEEX in memory for the dialog manager.
#include <cstring>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "ui/seams.h"
#include "ui/testing.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "ui/win32/backend.h"

namespace ui::testing {

using namespace ui::win32;

namespace {

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
    const DialogTemplate* t = detail::findAddedTemplate(id);
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

}  // namespace

void detail::templateAdded(const DialogTemplate& dialogTemplate) {
    builtTemplates().erase(dialogTemplate.id);
    win32::setTestTemplateBuilder(&buildTemplate);
}

}  // namespace ui::testing
