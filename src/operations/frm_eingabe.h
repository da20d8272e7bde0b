// The column-and-term dialog `frmEingabe` that filter, sort and search share: a column from the
// list and, except when sorting, a term, handed back as one result text.
#pragma once

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace operations {

class FrmEingabe : public QDialog
{
    Q_OBJECT

public:
    // The one instance, created hidden on first use.
    static FrmEingabe &instance();
    // Deletes the instance, when the program's windows close.
    static void unload();

    // Fills the column list with one entry per caption, "index caption", unless it has its
    // entries already: they stay as the first table that opened gave them.
    void fillColumnList(const QStringList &captions);

    // "" after Abbrechen; otherwise the list index, one blank and the term as typed.
    const QString &resultText() const { return m_resultText; }

    QGroupBox *Frame1;
    QListWidget *List1;
    QLabel *Label1;
    QLineEdit *Text1;
    QLabel *Label2;
    QPushButton *Command1; // "&OK"
    QPushButton *Command2; // "&Abbrechen"

    void Command1_Click();
    void Command2_Click();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void reject() override;

private:
    FrmEingabe();
    bool sortMode() const;
    void List1_Click();

    QString m_resultText;
};

} // namespace operations
