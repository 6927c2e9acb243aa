// Dialog templates as data: what a Win32 resource script holds, in dialog units.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "ui/win_defs.h"

namespace ui {

// Control classes the dialog layer can create, named after their Win32 window classes.
enum class ControlClass {
    button,      // "BUTTON": push button, default push button, check box, group box (by style)
    staticText,  // "STATIC"
    edit,        // "EDIT"
    richEdit,    // "RichEdit20W", needs loadRichEditLibrary()
    comboBox,    // "COMBOBOX"
    listView,    // "SysListView32", needs initCommonControls()
    tabControl,  // "SysTabControl32", needs initCommonControls()
};

struct DialogRect {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
};

struct ControlTemplate {
    int id = -1;
    ControlClass cls = ControlClass::staticText;
    DialogRect rect;  // dialog units
    uint32_t style = 0;
    std::u16string_view text;
    // The static text that names this control for assistive tools. 0: a field or list is named
    // by the static text just before it in template order; a static text by its own text.
    int labelId = 0;
};

struct DialogTemplate {
    int id = 0;
    uint32_t style = 0;
    int cx = 0;  // client size, dialog units
    int cy = 0;
    std::u16string_view caption;
    std::u16string_view fontName = u"MS Shell Dlg";
    int fontPointSize = 8;
    std::span<const ControlTemplate> controls;
};

// The program's resources (resources/templates.cpp).
std::span<const DialogTemplate* const> programDialogTemplates();
// A 48x48 icon resource as XPM text lines; nullptr when there is none.
const char* const* findIconResource(int id);

// A dialog template by resource id (the program's, or one a test added); nullptr when none.
const DialogTemplate* findDialogTemplate(int id);

}  // namespace ui
