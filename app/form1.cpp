#include "app/form1.h"

#include "app/app_icon.h"
#include "app/file_drop_filter.h"
#include "app/identity.h"
#include "app/last_folder.h"
#include "platform/controls/common_dialog.h"
#include "platform/controls/slider_widget.h"
#include "platform/forms/unhandled_error.h"
#include "platform/mci/widget/mm_control_widget.h"
#include "platform/mci/widget/video_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>

namespace {

// The designed client area and where it first stands on the screen, in pixels.
constexpr QRect kClientArea(101, 114, 466, 101);

QPushButton *makeButton(QWidget *form, const char *name, const char *text, QRect geometry)
{
    auto *button = new QPushButton(QString::fromUtf8(text), form);
    button->setObjectName(QString::fromUtf8(name));
    button->setGeometry(geometry);
    // No default or cancel button: Enter and Esc click nothing.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

QCheckBox *makeCheckBox(QWidget *form, const char *name, const char *text, QRect geometry, bool checked)
{
    auto *box = new QCheckBox(QString::fromUtf8(text), form);
    box->setObjectName(QString::fromUtf8(name));
    box->setGeometry(geometry);
    box->setChecked(checked);
    return box;
}

QLabel *makeLabel(QWidget *form, const char *name, const QString &text, QRect geometry, Qt::Alignment alignment)
{
    auto *label = new QLabel(text, form);
    label->setObjectName(QString::fromUtf8(name));
    label->setGeometry(geometry);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(alignment);
    return label;
}

// The height of the original platform's 8-point dialog font, which the boxes fit.
constexpr int kFontPixels = 11;

// Whether the control's whole text fits in the room its style leaves for it.
bool captionFits(const QWidget *control)
{
    if (const auto *label = qobject_cast<const QLabel *>(control))
        return label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width();
    const auto *button = static_cast<const QAbstractButton *>(control);
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const QStyle::SubElement room =
        qobject_cast<const QCheckBox *>(button) ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents;
    return button->fontMetrics().horizontalAdvance(button->text()) <=
           button->style()->subElementRect(room, &option, button).width();
}

template <typename Widget>
Widget *placed(QWidget *form, Widget *widget, const char *name, QRect geometry)
{
    widget->setParent(form);
    widget->setObjectName(QString::fromUtf8(name));
    widget->setGeometry(geometry);
    return widget;
}

}  // namespace

Form1::Form1(FormsRuntime &runtime, QWidget *parent) : Form1(runtime, new MMControlWidget, parent) {}

// The controls are made in the order the window defines them.
Form1::Form1(FormsRuntime &runtime, MMControlWidget *mmControl, QWidget *parent)
    : QWidget(parent),
      m_runtime(runtime),
      m_commonDialog1(std::make_unique<CommonDialog>(this)),
      m_command4(makeButton(this, "Command4", "Exit", {416, 56, 41, 17})),
      m_command3(makeButton(this, "Command3", "About", {416, 32, 41, 17})),
      m_command2(makeButton(this, "Command2", "Help!", {360, 56, 41, 17})),
      m_command1(makeButton(this, "Command1", "Open", {360, 32, 41, 17})),
      m_chkLoopRev(makeCheckBox(this, "ChkLoopRev", "LoopRev", {88, 56, 65, 17}, false)),
      m_chkrev(makeCheckBox(this, "Chkrev", "Reverse", {88, 32, 73, 17}, false)),
      m_chkLoop(makeCheckBox(this, "ChkLoop", "Loop", {8, 56, 57, 17}, false)),
      m_check2(makeCheckBox(this, "Check2", "Sound", {8, 32, 57, 17}, true)),
      m_slider1(placed(this, new SliderWidget, "Slider1", {8, 0, 441, 17})),
      m_mmControl1(placed(this, mmControl, "MMControl1", {168, 32, 184, 41})),
      // The length sits at the right of its box, under the slider's right end.
      m_label3(makeLabel(this, "Label3", QString(), {408, 16, 41, 17}, Qt::AlignRight | Qt::AlignTop)),
      m_label2(makeLabel(this, "Label2", QStringLiteral("0"), {12, 16, 9, 17}, Qt::AlignLeft | Qt::AlignTop)),
      // Reaches past the right and bottom edges and is cut there, by design.
      m_label1(makeLabel(this, "Label1", QString::fromUtf8(identity::kCredits), {16, 88, 465, 17},
                         Qt::AlignLeft | Qt::AlignTop)),
      m_drops(new FileDropFilter(this)),
      m_check2Box(m_check2),
      m_chkLoopBox(m_chkLoop),
      m_chkrevBox(m_chkrev),
      m_chkLoopRevBox(m_chkLoopRev),
      m_label3Text(m_label3),
      m_windowHandlers(WindowControls{runtime, *m_mmControl1, *this}),
      m_playbackHandlers(PlaybackControls{*m_mmControl1, *m_slider1, *m_commonDialog1, m_check2Box, m_chkLoopBox,
                                          m_chkrevBox, m_chkLoopRevBox, m_label3Text, *this}),
      m_unloader(runtime, m_windowHandlers)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(identity::kTitle));
    setWindowIcon(appIcon());
    setGeometry(kClientArea);
    setFixedSize(kClientArea.size());
    fitCaptions();
    setTabOrder();
    connectEvents();
    m_commonDialog1->setStartFolder(last_folder::load());
    m_drops->watch(this);
    m_drops->watch(m_mmControl1->videoWindow());
    // Queued: the drop's own event must end before a box can run modally.
    connect(m_drops, &FileDropFilter::dropped, this, &Form1::openFile, Qt::QueuedConnection);
}

Form1::~Form1() = default;

void Form1::setTabOrder()
{
    QWidget *const order[] = {m_mmControl1, m_slider1, m_check2,  m_chkLoop,  m_chkrev,
                              m_chkLoopRev, m_command1, m_command2, m_command3, m_command4};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    // The focus goes to the first control in tab order when the window is shown.
    m_mmControl1->setFocus();
}

// Most desktop fonts are wider than the original one at the same height: "LoopRev"
// overruns its box in a plain DejaVu Sans, and fits in its condensed face.
void Form1::fitCaptions()
{
    // Label1 is cut at the window's edge by design; Label3 is empty until a clip opens.
    const QWidget *const captioned[] = {m_command4, m_command3, m_command2, m_command1, m_chkLoopRev,
                                        m_chkrev,   m_chkLoop,  m_check2,   m_label2};
    QFont font = QApplication::font();
    font.setPixelSize(kFontPixels);
    for (const int stretch : {QFont::Unstretched, QFont::SemiCondensed, QFont::Condensed}) {
        font.setStretch(stretch);
        setFont(font);
        if (std::all_of(std::begin(captioned), std::end(captioned), captionFits))
            return;
    }
}

template <typename Handler>
bool Form1::dispatch(Handler handler)
{
    if (m_unloader.isUnloaded())
        return false;
    return runHandler(m_runtime, handler);
}

void Form1::openFile(const QString &fileName)
{
    if (dispatch([&] { m_playbackHandlers.openFile(fileName); }))
        rememberClipFolder();
}

// After an opening that ended well; a cancelled dialog leaves the clip, and so the folder.
void Form1::rememberClipFolder()
{
    if (m_mmControl1->mode() == mci_mode::kNotOpen || m_mmControl1->fileName().isEmpty())
        return;
    const QString folder = QFileInfo(m_mmControl1->fileName()).absolutePath();
    last_folder::save(folder);
    m_commonDialog1->setStartFolder(folder);
}

void Form1::connectEvents()
{
    PlaybackHandlers &p = m_playbackHandlers;
    WindowHandlers &w = m_windowHandlers;

    connect(m_command1, &QPushButton::clicked, this, [this, &p] {
        if (dispatch([&] { p.Command1_Click(); }))
            rememberClipFolder();
    });
    connect(m_command2, &QPushButton::clicked, this, [this, &w] { dispatch([&] { w.Command2_Click(); }); });
    connect(m_command3, &QPushButton::clicked, this, [this, &w] { dispatch([&] { w.Command3_Click(); }); });
    connect(m_command4, &QPushButton::clicked, this, [this, &w] { dispatch([&] { w.Command4_Click(); }); });

    // clicked, not toggled: only the user's toggles raise Click (see CheckBoxAdapter).
    connect(m_check2, &QCheckBox::clicked, this, [this, &p] { dispatch([&] { p.Check2_Click(); }); });
    connect(m_chkrev, &QCheckBox::clicked, this, [this, &p] { dispatch([&] { p.chkrev_Click(); }); });
    connect(m_chkLoopRev, &QCheckBox::clicked, this, [this, &p] { dispatch([&] { p.chklooprev_Click(); }); });

    connect(m_slider1, &SliderWidget::clicked, this, [this, &p] { dispatch([&] { p.Slider1_Click(); }); });

    MMControlWidget *mm = m_mmControl1;
    connect(mm, &MMControlWidget::done, this, [this, &p](std::int16_t code) {
        dispatch([&] { p.MMControl1_Done(code); });
    });
    connect(mm, &MMControlWidget::statusUpdate, this, [this, &p] { dispatch([&] { p.MMControl1_StatusUpdate(); }); });
    connect(mm, &MMControlWidget::backCompleted, this, [this, &p](std::int32_t code) {
        dispatch([&] { p.MMControl1_BackCompleted(code); });
    });
    connect(mm, &MMControlWidget::nextCompleted, this, [this, &p](std::int32_t code) {
        dispatch([&] { p.MMControl1_NextCompleted(code); });
    });
    connect(mm, &MMControlWidget::prevCompleted, this, [this, &p](std::int32_t code) {
        dispatch([&] { p.MMControl1_PrevCompleted(code); });
    });
    connect(mm, &MMControlWidget::stepCompleted, this, [this, &p](std::int32_t code) {
        dispatch([&] { p.MMControl1_StepCompleted(code); });
    });
    connect(mm, &MMControlWidget::gotFocus, this, [this, &p] { dispatch([&] { p.MMControl1_GotFocus(); }); });
    // A transport button's own command failed: no handler of ours was running to trap it.
    connect(mm, &MMControlWidget::buttonError, this, [this](int number, const QString &description) {
        if (!m_unloader.isUnloaded())
            reportUnhandledError(m_runtime, RuntimeError(number, description));
    });
}

void Form1::load()
{
    // Form_Load traps what the opening raises; anything else failing at start-up is
    // reported and still ends the program before the window appears.
    if (!runHandler(m_runtime, [this] { m_windowHandlers.Form_Load(); }))
        unload();
}

void Form1::setCaption(const QString &text)
{
    setWindowTitle(text);
}

void Form1::unload()
{
    if (m_unloader.unload(FormUnloader::kFormCode))
        finishUnload();
}

void Form1::closeEvent(QCloseEvent *event)
{
    const std::int16_t mode = event->spontaneous() ? FormUnloader::kFormControlMenu : FormUnloader::kAppWindows;
    if (!m_unloader.unload(mode)) {
        event->ignore();
        return;
    }
    event->accept();
    finishUnload();
}

void Form1::finishUnload()
{
    hide();
    if (!m_unloadedSignalled) {
        m_unloadedSignalled = true;
        emit unloaded();
    }
}
