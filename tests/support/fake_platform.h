// Platform services for tests: message boxes and dialogs are recorded, not shown; the clock
// moves on by itself. With the program's message boxes of fixed text and the answer that picks a
// column in the column dialog.
#pragma once

#include "operations/frm_eingabe.h"
#include "platform/platform.h"

#include <QDialog>
#include <deque>
#include <functional>
#include <ostream>
#include <vector>

// A message box as the user reads it.
struct Box
{
    QString text;
    int style;
    QString title;
    bool operator==(const Box &) const = default;
};

inline void PrintTo(const Box &box, std::ostream *out)
{
    *out << '"' << box.text.toStdString() << "\" " << box.style << " \"" << box.title.toStdString()
         << '"';
}

struct RecordedMessage : Box
{
    int pointer; // the mouse pointer while the box was up
};

// The program's message boxes of fixed text, each text written out here once and named by the
// tests (line breaks "\r\n").
namespace boxes {
using platform::kExclamation, platform::kInformation, platform::kNoIcon;
inline const Box filterEmpty {"Dieses Filter brachte keine Ergebnisse.\r\nDas Original wird wieder "
                              "hergestellt.\r\nAugenblick !",
                              kNoIcon, "Talvo-dBase-Viewer"};
inline const Box sortEmpty {"Diese Sortierung brachte keine Ergebnisse.\r\nDas Original wird "
                            "wieder hergestellt.\r\nAugenblick !",
                            kNoIcon, "Talvo-dBase-Viewer"};
inline const Box filterError5 {"Filter-Fehler: 5\r\nUngültiger Prozeduraufruf oder ungültiges "
                               "Argument",
                               kExclamation, "Talvo-dBase-Viewer"};
inline const Box restoreFailed {"Wiederherstellen ohne Erfolg.\r\n", kExclamation, "Problem"};
inline const Box noMoreMatches {"Keine weiteren Entsprechungen - \r\nzurück zum aktuellen "
                                "Datensatz.",
                                kInformation, "Suchen"};
inline const Box noDatabase {"Keine dBase-Datenbank in diesem Ordner vorhanden!\r\nBitte selber "
                             "öffnen.",
                             kExclamation, " Problem"};
inline const Box secondCopy {"Das Programm zweimal zu aktivieren ist nicht ratsam. Wenn Sie diese "
                             "Möglichkeit benötigen, so wenden Sie sich bitte an den Autor "
                             "dieser Software.",
                             kExclamation, "Talvo-dBase-Viewer läuft bereits "};
inline const Box shortHelp {"Es ist noch keine ausführliche Hilfe vorhanden.     \r\n"
                            "Wenn Sie aber den Mauszeiger über dem Fenster,      \r\n"
                            "über das Sie etwas wissen möchten, stehen lassen,   \r\n"
                            "so erscheint ein Hinweis.",
                            kInformation, "Kurzhilfe"};
} // namespace boxes

// Answers the column dialog with list entry `row` and `term`, as if typed and confirmed with OK.
inline std::function<void(QDialog &)> choose(int row, const QString &term = QString())
{
    return [row, term](QDialog &dialog) {
        auto &form = static_cast<operations::FrmEingabe &>(dialog);
        form.List1->setCurrentRow(row);
        form.Text1->setText(term);
        form.Command1_Click();
    };
}

class FakePlatform final : public platform::Services
{
public:
    FakePlatform() { platform::setServices(this); }
    ~FakePlatform() override { platform::setServices(nullptr); }
    FakePlatform(const FakePlatform &) = delete;
    FakePlatform &operator=(const FakePlatform &) = delete;

    void messageBox(const QString &text, int style, const QString &title) override
    {
        messages.push_back({{text, style, title}, platform::mousePointer()});
    }

    QString openFile(const platform::OpenDialogRequest &request) override
    {
        openRequests.push_back(request);
        if (openAnswers.empty())
            return {};
        const QString answer = openAnswers.front();
        openAnswers.pop_front();
        return answer;
    }

    double seconds() override
    {
        clock += clockStep;
        return clock;
    }

    void beep() override { ++beeps; }

    // Answers the next modal dialog with the next scripted answer; without one, cancels it.
    void showModal(QDialog &dialog) override
    {
        ++modalShows;
        if (modalAnswers.empty()) {
            dialog.reject();
            return;
        }
        const auto answer = modalAnswers.front();
        modalAnswers.pop_front();
        answer(dialog);
    }

    // The boxes shown so far, without the mouse pointer.
    std::vector<Box> boxes() const { return {messages.begin(), messages.end()}; }
    // The boxes shown so far, forgotten by the fake.
    std::vector<Box> takeBoxes()
    {
        const std::vector<RecordedMessage> shown = std::exchange(messages, {});
        return {shown.begin(), shown.end()};
    }

    std::vector<RecordedMessage> messages;
    std::vector<platform::OpenDialogRequest> openRequests;
    std::deque<QString> openAnswers;
    double clock = 0;
    double clockStep = 0.5;
    int beeps = 0;
    std::deque<std::function<void(QDialog &)>> modalAnswers;
    int modalShows = 0;
};
