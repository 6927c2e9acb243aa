// What the Qt files of the dialog layer share: what an HWND points to, the widget of a dialog,
// and the key filter the application installs.
#pragma once

#include <QIcon>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/backend_shared.h"
#include "ui/dialog.h"
#include "ui/dialog_template.h"
#include "ui/message_loop.h"

class QEventLoop;

namespace ui {

class DialogWindow;

// The widget property that carries a widget's WindowObject.
inline constexpr const char* kWindowObjectProperty = "qvWindowObject";

struct BrushObject {
    COLORREF color = 0;
};

struct IconObject {
    QPixmap pixmap;
};

struct WindowObject {
    QPointer<QWidget> widget;
    int id = -1;
    std::optional<ControlClass> cls;  // empty for a dialog
    uint32_t style = 0;
    uint32_t exStyle = 0;
    DialogRect rect;                       // template position, dialog units (controls)
    DialogWindow* dialogWindow = nullptr;  // the dialog this window is or belongs to
    bool isDefaultButton = false;
    int labelId = 0;      // the template's explicit label pairing, 0 for the default rule
    int modalBlocks = 0;  // modal runs this window owns: it takes no input while above 0
};

// The widget of one dialog: owns its controls' window objects, forwards input to the message
// map and paints the background brush that WM_CTLCOLORDLG returns.
class DialogWindow : public QWidget {
  public:
    DialogWindow(DialogBase& dialog, const DialogTemplate& dialogTemplate, QWidget* parent,
                 bool childDialog);
    ~DialogWindow() override;
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;

    DialogBase* dialog = nullptr;  // null once the dialog object has let go of its window
    const DialogTemplate& tmpl;
    WindowObject self;
    std::vector<std::unique_ptr<WindowObject>> controls;
    int baseX = 0;
    int baseY = 0;
    bool childDialog = false;
    bool modal = false;
    bool ended = false;
    LRESULT result = 0;
    QEventLoop* modalLoop = nullptr;
    QIcon windowIcon;
    // Centring asked for before the window manager framed the window: done again once the
    // frame is known, so the framed window ends up centred.
    bool centreAgainWhenFramed = false;
    QPointer<QWidget> centreOver;

    // Dialog units to pixels in this dialog's font.
    int toPixelsX(int units) const;
    int toPixelsY(int units) const;
    WindowObject* control(int id) const;
    void refreshAccessibleNames();
    void sendCommand(int id, int code, WindowObject* from);
    LRESULT sendNotify(WindowObject* from, int code);
    // Places the window (frame included) over centreOver's window or, with none, in the work
    // area of its own screen; a top-level window stays inside the work area.
    void centre();
    // Lays the controls out again from the template in the current dialog font.
    void applyTemplateLayout();

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
};

// The window object of a widget, or of its nearest ancestor that has one.
WindowObject* windowObjectOf(QWidget* widget);
// The same, but never beyond the widget's own window: a message box, a drop-down list or a file
// dialog is a window of its own, not part of the dialog that opened it.
WindowObject* windowObjectWithinWindow(QWidget* widget);
QWidget* widgetOf(HWND window);
// The dialog a window is or belongs to; nullptr for none.
inline DialogWindow* dialogWindowOf(HWND window) {
    return window != nullptr ? window->dialogWindow : nullptr;
}

// Builds the widget of a dialog and its controls from the template; nullptr when a control
// class is not registered (common controls, Rich Edit) or the template does not exist.
DialogWindow* createDialogWindow(DialogBase& dialog, HWND parent, bool modal);

// Runs WM_INITDIALOG and the default focus.
void initialiseDialog(DialogWindow& window);

bool controlClassRegistered(ControlClass cls);
// The height a drop-down list shows closed; the template height is that of the open list.
int closedComboHeight(const DialogWindow& dialog, QWidget* combo);

// The language gettext chose for the catalogs ("zh_CN", "en"; empty before binding).
const std::string& userLanguage();

// The dialog font for a template in the user's language.
QFont dialogFont(const DialogTemplate& t);

// Deletes the window once control is back in the event loop and no modal run is in progress,
// so nothing a running modal loop stands on is freed under it.
void deleteWhenSafe(QWidget* window);
// The top-level window of the dialog whose message map runs now, innermost first.
QWidget* dispatchingWindow();
void pushDispatching(QWidget* window);
void popDispatching();

// Turns key presses into WM_KEYDOWN for the dialog that has the focus: a modal dialog's own run
// handles its keys as the dialog manager's modal loop does; the modeless main dialog gets them
// through the message loop's filters.
class KeyFilter : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace ui
