#pragma once

#include "app/check_box_adapter.h"
#include "app/form_unloader.h"
#include "app/label_adapter.h"
#include "app/window_handlers.h"
#include "platform/forms/forms_runtime.h"
#include "playback/form_controls.h"
#include "playback/playback_handlers.h"

#include <QWidget>

#include <memory>

class CommonDialog;
class FileDropFilter;
class MMControlWidget;
class QCheckBox;
class QLabel;
class QPushButton;
class SliderWidget;

// The player window: a fixed 466 x 101 client area holding the fourteen controls, each
// named (objectName) as the handlers name it. Every event of a control reaches its
// handler through the runtime's treatment of unhandled errors. Modal boxes and the open
// dialog run the event loop, so the multimedia control's events are handled meanwhile,
// as on the original platform.
//
// The window's font is the desktop's family at the 11 pixels the boxes were laid out
// for, narrowed only as far as every caption needs to be seen whole.
//
// Lifecycle: construct, load() (Form_Load), then show() unless the load unloaded the
// window. unloaded() is emitted once, when Form_Unload has run; the program ends there.
//
// Beyond its buttons, the window opens a file named on the command line (openFile) or
// dropped on it or on the video window, and remembers across runs the folder of the
// last clip opened, where the open-file dialog starts.
class Form1 : public QWidget, public FormWindow {
    Q_OBJECT

public:
    explicit Form1(FormsRuntime &runtime, QWidget *parent = nullptr);
    // Tools and tests choose the multimedia control (its options, where its sound goes).
    Form1(FormsRuntime &runtime, MMControlWidget *mmControl, QWidget *parent = nullptr);
    ~Form1() override;

    void load();
    bool isUnloaded() const { return m_unloader.isUnloaded(); }
    // Opens the file as "Open" does once its dialog has closed; a failure is reported
    // like any other and the window goes on.
    void openFile(const QString &fileName);

    // FormWindow
    void setCaption(const QString &text) override;
    void unload() override;

signals:
    void unloaded();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void connectEvents();
    void setTabOrder();
    void fitCaptions();
    // Runs one handler under the runtime's treatment; nothing runs once unloaded.
    template <typename Handler>
    bool dispatch(Handler handler);
    void rememberClipFolder();
    void finishUnload();

    FormsRuntime &m_runtime;
    std::unique_ptr<CommonDialog> m_commonDialog1;
    QPushButton *m_command4;
    QPushButton *m_command3;
    QPushButton *m_command2;
    QPushButton *m_command1;
    QCheckBox *m_chkLoopRev;
    QCheckBox *m_chkrev;
    QCheckBox *m_chkLoop;
    QCheckBox *m_check2;
    SliderWidget *m_slider1;
    MMControlWidget *m_mmControl1;
    QLabel *m_label3;
    QLabel *m_label2;
    QLabel *m_label1;
    FileDropFilter *m_drops;

    CheckBoxAdapter m_check2Box;
    CheckBoxAdapter m_chkLoopBox;
    CheckBoxAdapter m_chkrevBox;
    CheckBoxAdapter m_chkLoopRevBox;
    LabelAdapter m_label3Text;
    WindowHandlers m_windowHandlers;
    PlaybackHandlers m_playbackHandlers;
    FormUnloader m_unloader;
    bool m_unloadedSignalled = false;
};
