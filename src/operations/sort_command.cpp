// Sorting the viewer's record set by one column.
#include "operations/sort_command.h"

#include "database/program_state.h"
#include "operations/command_support.h"
#include "operations/frm_eingabe.h"
#include "platform/platform.h"

namespace operations {

std::shared_ptr<recordset::RecordSet> ApplySort(const std::shared_ptr<recordset::RecordSet> &set,
                                                const QString &sort)
{
    if (set)
        (void)set->SetSort(sort.toStdString());
    return set;
}

void mnuSortieren_Click(database::DatabaseWindow &window)
{
    FrmEingabe &dialog = FrmEingabe::instance();
    dialog.setWindowTitle(QStringLiteral("Sortieren"));
    dialog.Label1->setText(QString());
    dialog.Text1->setVisible(false);
    dialog.Label2->setText(QStringLiteral("Spalte auswählen, nach der sortiert werden soll."));
    platform::services().showModal(dialog);
    window.repaintWindow();
    dialog.Text1->setVisible(true);
    if (dialog.resultText().isEmpty())
        return;

    const QString &lineBreak = database::program().lineBreak;
    auto report = [&](const database::RunTimeError &error) {
        platform::setMousePointer(platform::kArrow);
        dialog.Text1->setVisible(true);
        platform::messageBox(QStringLiteral("Sortier-Fehler: ") + QString::number(error.number)
                                     + lineBreak + error.description,
                             platform::kExclamation, kCommandErrorTitle);
    };
    platform::setMousePointer(platform::kHourglass);
    platform::doEvents();
    const auto set = currentRecordset(window);
    if (!set)
        return report(set.error());
    const auto name = fieldName(*set, splitResult(dialog.resultText()).index);
    if (!name)
        return report(name.error());

    const auto sorted = ApplySort(*set, *name);
    const auto count = sorted->RecordCount();
    if (!count)
        return report(runTimeError(count.error()));
    if (*count > 0) {
        (void)sorted->MoveFirst();
        window.datPrimaryRS().setRecordset(sorted);
        (void)window.datPrimaryRS().Recordset()->MoveFirst();
    } else {
        reportNoResult(window, QStringLiteral("Diese Sortierung"));
        ApplySort(*set, QString());
    }
    platform::setMousePointer(platform::kArrow);
}

} // namespace operations
