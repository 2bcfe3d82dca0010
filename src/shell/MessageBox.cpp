// Message boxes, shown for real or answered by a test script.
#include "shell/MessageBox.h"

#include <cstdio>

namespace {

TMessageBoxScript* ActiveScript = nullptr;

QMessageBox::Icon IconOf(TMessageKind kind) {
    switch (kind) {
    case TMessageKind::Error:
        return QMessageBox::Critical;
    case TMessageKind::Warning:
        return QMessageBox::Warning;
    case TMessageKind::Information:
        return QMessageBox::Information;
    case TMessageKind::Confirmation:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton SafestAnswer(QMessageBox::StandardButtons buttons) {
    for (auto b : {QMessageBox::Cancel, QMessageBox::No, QMessageBox::Abort, QMessageBox::Close,
                   QMessageBox::Ok}) {
        if (buttons & b)
            return b;
    }
    return QMessageBox::NoButton;
}

} // namespace

TMessageBoxScript::TMessageBoxScript() : Outer(ActiveScript) {
    ActiveScript = this;
}

TMessageBoxScript::~TMessageBoxScript() {
    ActiveScript = Outer;
}

QMessageBox::StandardButton TMessageBox::Show(QWidget* parent, TMessageKind kind,
                                              const QString& caption, const QString& text,
                                              QMessageBox::StandardButtons buttons,
                                              QMessageBox::StandardButton defaultButton,
                                              const QString& details) {
    if (ActiveScript) {
        TShownMessage shown{kind, caption, text, details, buttons, QMessageBox::NoButton, false};
        if (!ActiveScript->Answers.empty()) {
            shown.Answer = ActiveScript->Answers.front();
            shown.Answered = true;
            ActiveScript->Answers.pop_front();
        } else {
            shown.Answer = SafestAnswer(buttons);
        }
        ActiveScript->ShownList.push_back(shown);
        return shown.Answer;
    }
    QMessageBox box(IconOf(kind), caption, text, buttons, parent);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    if (!details.isEmpty())
        box.setDetailedText(details);
    box.setTextFormat(Qt::PlainText);
    int result = box.exec();
    return static_cast<QMessageBox::StandardButton>(result);
}

void TMessageBox::Error(QWidget* parent, const QString& caption, const QString& text,
                        const QString& details) {
    Show(parent, TMessageKind::Error, caption, text, QMessageBox::Ok, QMessageBox::Ok, details);
}

void TMessageBox::Information(QWidget* parent, const QString& caption, const QString& text) {
    Show(parent, TMessageKind::Information, caption, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool TMessageBox::Confirm(QWidget* parent, const QString& caption, const QString& text) {
    return Show(parent, TMessageKind::Confirmation, caption, text,
                QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void ReportProblem(QWidget* window, const QString& caption, const QString& text) {
    if (window) {
        TMessageBox::Error(window, caption, text);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", caption.toLocal8Bit().constData(),
                 text.toLocal8Bit().constData());
}

void WriteShownMessages(const TMessageBoxScript& script) {
    for (const TShownMessage& message : script.Shown())
        std::fprintf(stderr, "quillmere: %s%s%s\n", message.Text.toLocal8Bit().constData(),
                     message.Details.isEmpty() ? "" : ": ",
                     message.Details.toLocal8Bit().constData());
}
