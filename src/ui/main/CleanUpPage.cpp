// The "Free Some Space" page and its four panels.
#include "ui/main/CleanUpPage.h"

#include "shell/Icons.h"
#include "shell/SensitivePanel.h"
#include "shell/ShellPaths.h"
#include "ui/main/FolderInfoLabels.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

namespace {

constexpr int MenuWidth = 239;
constexpr int PanelHeight = 47;
const char* const ActionProperty = "CleanUpAction";
const char* const TagProperty = "HintTag";

} // namespace

QString TCleanUpPage::Hint(int tag) {
    switch (tag) {
    case 1:
        return tr("This option can help you reduce the space wasted by the folder due to the drive "
                  "cluster size. The folder and all its subfolders and files are moved to another "
                  "location (such as on a drive with a smaller cluster size).");
    case 2:
        return tr("This option can help you gain disk space by compressing and moving the folder "
                  "to a ZIP archive. Quillmere may later restore the folder from the ZIP archive "
                  "to the original location.");
    case 3:
        return tr("All files are sent to the Trash. Files may be recovered and the disk space is "
                  "not freed up until the Trash is emptied.");
    case 4:
        return tr("This option can help you immediately free up disk space, but it is very "
                  "dangerous! All the files and sub-folders of the current folder are deleted "
                  "and cannot be recovered.");
    default:
        return tr("Although the main purpose of Quillmere is to help you quickly find out how "
                  "your disk space is being used, the program also offers you a few ways to free "
                  "up some disk space. But use them with care.");
    }
}

TCleanUpPage::TCleanUpPage(TPageHost& host, QWidget* parent) : TContentPage(host, parent) {
    setObjectName(QStringLiteral("CleanUpPage"));
    UsePageBackground(this);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);

    panWebCleanUpPath = new QWidget(this);
    panWebCleanUpPath->setObjectName(QStringLiteral("panWebCleanUpPath"));
    auto* heading = new QVBoxLayout(panWebCleanUpPath);
    heading->setContentsMargins(0, 0, 0, 0);
    heading->addWidget(new QLabel(tr("Folder"), panWebCleanUpPath));
    txtWebCleanUpPath = new TPathLabel(panWebCleanUpPath);
    txtWebCleanUpPath->setObjectName(QStringLiteral("txtWebCleanUpPath"));
    MakeBold(txtWebCleanUpPath);
    heading->addWidget(txtWebCleanUpPath);
    column->addWidget(panWebCleanUpPath);

    panCleanMenu = new QFrame;
    panCleanMenu->setObjectName(QStringLiteral("panCleanMenu"));
    static_cast<QFrame*>(panCleanMenu)->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panCleanMenu->setFixedWidth(MenuWidth);
    auto* menu = new QVBoxLayout(panCleanMenu);
    menu->setContentsMargins(2, 2, 2, 2);
    menu->setSpacing(1);
    // Top to bottom as the user reads them; each label's tag picks its hint.
    panCleanMenuCompress = MakePanel("panCleanMenuCompress", "txtCleanMenuCompress",
                                     tr("Archive Folder"), tr("Ctrl+R"), 2, "package-x-generic",
                                     TCleanUpAction::Compress, txtCleanMenuCompress);
    panCleanMenuMove =
        MakePanel("panCleanMenuMove", "txtCleanMenuMove", tr("Move Folder"), tr("Ctrl+M"), 1,
                  "go-next", TCleanUpAction::Move, txtCleanMenuMove);
    panCleanMenuRecycle =
        MakePanel("panCleanMenuRecycle", "txtCleanMenuRecycle", tr("Send To Trash"), tr("Ctrl+B"),
                  3, "user-trash", TCleanUpAction::Trash, txtCleanMenuRecycle);
    panCleanMenuDelete =
        MakePanel("panCleanMenuDelete", "txtCleanMenuDelete", tr("Delete Folder"), tr("Ctrl+D"), 4,
                  "edit-delete", TCleanUpAction::Delete, txtCleanMenuDelete);
    Panels = {panCleanMenuCompress, panCleanMenuMove, panCleanMenuRecycle, panCleanMenuDelete};
    for (TSensitivePanel* panel : Panels)
        menu->addWidget(panel);
    panCleanMenu->setFixedHeight(4 * PanelHeight + 5);

    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("scrCleanMenu"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setAlignment(Qt::AlignCenter);
    scroll->setWidget(panCleanMenu);
    scroll->setWidgetResizable(false);
    column->addWidget(scroll, 1);

    ediCleanMenuHint = new QPlainTextEdit(this);
    ediCleanMenuHint->setObjectName(QStringLiteral("ediCleanMenuHint"));
    ediCleanMenuHint->setReadOnly(true);
    ediCleanMenuHint->setFocusPolicy(Qt::NoFocus);
    ediCleanMenuHint->setFixedHeight(72);
    QPalette hintColours = ediCleanMenuHint->palette();
    hintColours.setColor(QPalette::Base, hintColours.color(QPalette::Button));
    ediCleanMenuHint->setPalette(hintColours);
    column->addWidget(ediCleanMenuHint);
    Highlight(nullptr, false);
}

TSensitivePanel* TCleanUpPage::MakePanel(const char* name, const char* labelName,
                                         const QString& text, const QString& shortcut, int tag,
                                         const char* icon, TCleanUpAction action, QLabel*& label) {
    auto* panel = new TSensitivePanel(panCleanMenu);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setFixedHeight(PanelHeight);
    panel->setAutoFillBackground(true);
    panel->setCursor(Qt::PointingHandCursor);
    panel->setProperty(ActionProperty, static_cast<int>(action));
    panel->setProperty(TagProperty, tag);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(6, 2, 6, 2);
    auto* image = new QLabel(panel);
    image->setFixedSize(32, 32);
    image->setAlignment(Qt::AlignCenter);
    image->setPixmap(ThemeIcon(icon, QStyle::SP_DirIcon).pixmap(32, 32));
    label = new QLabel(text, panel);
    label->setObjectName(QString::fromLatin1(labelName));
    label->setProperty(TagProperty, tag);
    MakeBold(label);
    auto* keys = new QLabel(shortcut, panel);
    keys->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(image);
    row->addWidget(label, 1);
    row->addWidget(keys);
    // A click on the panel, its image or its label runs the action.
    for (QWidget* part : {static_cast<QWidget*>(panel), static_cast<QWidget*>(image),
                          static_cast<QWidget*>(label), static_cast<QWidget*>(keys)}) {
        part->setProperty(ActionProperty, static_cast<int>(action));
        part->installEventFilter(this);
    }
    connect(panel, &TSensitivePanel::OnSensitiveActivate, this,
            [this](TSensitivePanel* p) { Highlight(p, true); });
    connect(panel, &TSensitivePanel::OnSensitiveDeactivate, this,
            [this](TSensitivePanel* p) { Highlight(p, false); });
    return panel;
}

void TCleanUpPage::Highlight(TSensitivePanel* panel, bool on) {
    for (TSensitivePanel* p : Panels) {
        if (!p)
            continue;
        const bool lit = on && p == panel;
        QPalette colours = p->palette();
        const QPalette base = palette();
        colours.setColor(QPalette::Window,
                         lit ? base.color(QPalette::Highlight) : base.color(QPalette::Button));
        colours.setColor(QPalette::WindowText, lit ? base.color(QPalette::HighlightedText)
                                                   : base.color(QPalette::ButtonText));
        p->setPalette(colours);
        for (QLabel* label : p->findChildren<QLabel*>())
            label->setPalette(colours);
    }
    ediCleanMenuHint->setPlainText(Hint(on && panel ? panel->property(TagProperty).toInt() : 0));
    ediCleanMenuHint->document()->setDefaultTextOption(QTextOption(Qt::AlignHCenter));
    ediCleanMenuHint->setPlainText(ediCleanMenuHint->toPlainText());
}

void TCleanUpPage::Fill() {
    txtWebCleanUpPath->SetPath(DisplayPath(Host.CurrentPath()));
    Highlight(nullptr, false);
}

bool TCleanUpPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        const QVariant action = watched->property(ActionProperty);
        if (action.isValid()) {
            Host.CleanUp(static_cast<TCleanUpAction>(action.toInt()));
            return true;
        }
    }
    return TContentPage::eventFilter(watched, event);
}
