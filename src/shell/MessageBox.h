// The one way the program shows a message box. Tests answer boxes in advance
// with a TMessageBoxScript and read back what was shown, so every dialog flow
// runs without a person.
#pragma once

#include <QMessageBox>
#include <QString>
#include <deque>
#include <vector>

enum class TMessageKind { Error, Warning, Information, Confirmation };

struct TShownMessage {
    TMessageKind Kind;
    QString Caption;
    QString Text;
    QString Details;
    QMessageBox::StandardButtons Buttons;
    QMessageBox::StandardButton Answer;
    // False when a script was running but held no answer for this box.
    bool Answered;
};

class TMessageBox {
public:
    static QMessageBox::StandardButton
    Show(QWidget* parent, TMessageKind kind, const QString& caption, const QString& text,
         QMessageBox::StandardButtons buttons = QMessageBox::Ok,
         QMessageBox::StandardButton defaultButton = QMessageBox::NoButton,
         const QString& details = {});
    static void Error(QWidget* parent, const QString& caption, const QString& text,
                      const QString& details = {});
    static void Information(QWidget* parent, const QString& caption, const QString& text);
    // Yes/No question; true for Yes.
    static bool Confirm(QWidget* parent, const QString& caption, const QString& text);
};

// Tells of a problem: in an error box over window, or on standard error where
// there is no window to show it over.
void ReportProblem(QWidget* window, const QString& caption, const QString& text);

// While one exists, message boxes are not shown: each takes the next queued
// answer and is recorded. A box with no queued answer gets its safest answer
// (Cancel, else No, else OK) and is recorded as unanswered.
class TMessageBoxScript {
public:
    TMessageBoxScript();
    ~TMessageBoxScript();
    TMessageBoxScript(const TMessageBoxScript&) = delete;
    TMessageBoxScript& operator=(const TMessageBoxScript&) = delete;

    void Answer(QMessageBox::StandardButton button) { Answers.push_back(button); }
    const std::vector<TShownMessage>& Shown() const { return ShownList; }
    void ClearShown() { ShownList.clear(); }
    int PendingAnswers() const { return static_cast<int>(Answers.size()); }

private:
    friend class TMessageBox;
    std::deque<QMessageBox::StandardButton> Answers;
    std::vector<TShownMessage> ShownList;
    TMessageBoxScript* Outer;
};

// What the boxes of a run that nobody watched said, one line each on
// standard error ("quillmere: text: details").
void WriteShownMessages(const TMessageBoxScript& script);
