// The Qt side of a dialog-layer window: what an HWND points to, and the widget of a dialog.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

#include "ui/dialog.h"
#include "ui/dialog_template.h"

class QEventLoop;

namespace ui {

class DialogWindow;

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

    // Dialog units to pixels in this dialog's font.
    int toPixelsX(int units) const;
    int toPixelsY(int units) const;
    WindowObject* control(int id) const;
    void refreshAccessibleNames();
    void sendCommand(int id, int code, WindowObject* from);
    void sendNotify(WindowObject* from, int code);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
};

// The window object of a widget, or of its nearest ancestor that has one.
WindowObject* windowObjectOf(QWidget* widget);
QWidget* widgetOf(HWND window);

// Builds the widget of a dialog and its controls from the template; nullptr when a control
// class is not registered (common controls, Rich Edit) or the template does not exist.
DialogWindow* createDialogWindow(DialogBase& dialog, HWND parent, bool modal);

// Runs WM_INITDIALOG and the default focus.
void initialiseDialog(DialogWindow& window);

void recordShown(int templateId);
// Saves a top-level widget as it looks on screen, with a plain title bar, to a PNG file.
bool saveWindowImage(QWidget* window, const QString& path);
// Where message boxes are saved instead of waiting for the user; empty: they wait.
QString& messageBoxScreenshotPath();
bool controlClassRegistered(ControlClass cls);

}  // namespace ui
