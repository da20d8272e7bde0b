// The step dialog `frmSuchweiter` of the search: go on to the next or the previous match, or
// stop.
#pragma once

#include <QDialog>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <array>

namespace operations {

class FrmSuchweiter : public QDialog
{
    Q_OBJECT

public:
    // The one instance, created on first use in its initial state ("Finde den Nächsten").
    static FrmSuchweiter &instance();
    // Deletes the instance; the next use creates it anew.
    static void unload();

    // "0" after Abbrechen, "1" for the next match, "2" for the previous one; "" when the
    // dialog's window was closed instead, which discards the dialog.
    const QString &resultText() const { return m_resultText; }
    bool closedByWindow() const { return m_closedByWindow; }

    QGroupBox *Frame1;
    std::array<QRadioButton *, 2> Option1;
    QPushButton *Command1; // "&Abbrechen"
    QPushButton *Command2; // "&OK"

    void Command1_Click();
    void Command2_Click();

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    FrmSuchweiter();

    QString m_resultText;
    bool m_closedByWindow = false;
};

} // namespace operations
