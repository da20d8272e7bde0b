// Filtering the viewer's record set by one column and one comparison.
#include "operations/filter_command.h"

#include "database/program_state.h"
#include "operations/command_support.h"
#include "operations/frm_eingabe.h"
#include "operations/text_to_number.h"
#include "platform/platform.h"

namespace operations {
namespace {

database::RunTimeError invalidCall()
{
    return {database::kInvalidProcedureCall,
            QStringLiteral("Ungültiger Prozeduraufruf oder ungültiges Argument")};
}

struct OperatorAndTerm
{
    QString op;
    QString term;
};

// "LIKE" anywhere; otherwise the first character and every operator character after it.
database::Result<OperatorAndTerm> splitOperator(const QString &comparison)
{
    if (comparison.toUpper().contains(QLatin1String("LIKE")))
        return OperatorAndTerm {QStringLiteral("LIKE"), comparison.mid(4).trimmed()};
    OperatorAndTerm parts {QString(), comparison};
    for (;;) {
        parts.op += parts.term.left(1);
        parts.term = parts.term.mid(1);
        if (parts.term.isEmpty())
            return invalidCall();
        const ushort code = parts.term[0].unicode();
        if (!(code < 48 || (code >= 58 && code <= 62)))
            return parts;
    }
}

// Day, month and year of a date term: day.month.year, month.year, or the same with "/".
QString monthFirstDate(const QString &term)
{
    QChar separator = QLatin1Char('.');
    if (!term.contains(separator))
        separator = QLatin1Char('/');
    const qsizetype p1 = term.indexOf(separator);
    const qsizetype p2 = p1 >= 0 ? term.indexOf(separator, p1 + 1) : -1;
    QString day, month, year;
    if (term.size() >= 6 && p1 >= 0 && p2 >= 0) {
        day = term.left(p1);
        month = term.mid(p1 + 1, p2 - p1 - 1);
        year = term.mid(p2 + 1);
    } else if (term.size() >= 4 && p1 >= 0 && p2 < 0) {
        day = QStringLiteral("01");
        month = term.left(p1);
        year = term.mid(p1 + 1);
    }
    return month + QLatin1Char('-') + day + QLatin1Char('-') + year;
}

} // namespace

QString restoreCriterion(const QString &firstFieldName)
{
    return QLatin1Char('[') + firstFieldName + QStringLiteral("] <> '0'");
}

std::shared_ptr<recordset::RecordSet> ApplyFilter(const std::shared_ptr<recordset::RecordSet> &set,
                                                  const QString &criterion)
{
    if (set)
        (void)set->SetFilter(criterion.toStdString());
    return set;
}

database::Result<QString> filterCriterion(const QString &fieldName, const QString &comparison)
{
    const QString column = QLatin1Char('[') + fieldName + QLatin1Char(']');
    const auto parts = splitOperator(comparison);
    if (!parts)
        return parts.error();
    const QString &op = parts->op;
    const QString &term = parts->term;
    const bool date = column == QLatin1String("[UP_DATE]");
    if (!date && isNumeric(term)) {
        const auto number = singleText(TextToNumber(term));
        if (!number)
            return number.error();
        return column + QLatin1Char(' ') + op + QLatin1Char(' ') + *number;
    }
    if (date && isDate(term))
        return column + QLatin1Char(' ') + op + QStringLiteral(" #") + monthFirstDate(term)
                + QLatin1Char('#');
    if (date && isNumeric(term))
        return column + QLatin1Char(' ') + op + QStringLiteral(" #01-01-") + term.trimmed()
                + QLatin1Char('#');
    return column + QLatin1Char(' ') + op + QStringLiteral(" '") + term + QLatin1Char('\'');
}

void mnuFiltern_Click(database::DatabaseWindow &window)
{
    FrmEingabe &dialog = FrmEingabe::instance();
    dialog.setWindowTitle(QStringLiteral("Filtern"));
    dialog.Label1->setText(QStringLiteral("Operator u. Begriff:"));
    dialog.Text1->setToolTip(QStringLiteral(" zbsp.: = DL "));
    dialog.Label2->setText(
            QStringLiteral("Operatoren wie = < <=  >  >=  <> LIKE und Platzhalter * möglich"));
    platform::services().showModal(dialog);
    window.repaintWindow();
    if (dialog.resultText().isEmpty())
        return;

    const QString &lineBreak = database::program().lineBreak;
    auto report = [&](const database::RunTimeError &error) {
        platform::setMousePointer(platform::kArrow);
        platform::messageBox(QStringLiteral("Filter-Fehler: ") + QString::number(error.number)
                                     + lineBreak + error.description,
                             platform::kExclamation, kCommandErrorTitle);
    };
    const ColumnAndTerm choice = splitResult(dialog.resultText());
    const QString comparison = choice.rest.trimmed();
    const auto set = currentRecordset(window);
    const auto name = set ? fieldName(*set, choice.index) : database::Result<QString>(set.error());
    if (!name)
        return report(name.error());
    if (comparison.isEmpty())
        return;
    platform::setMousePointer(platform::kHourglass);
    platform::doEvents();

    const auto criterion = filterCriterion(*name, comparison);
    if (!criterion)
        return report(criterion.error());
    platform::setMousePointer(platform::kHourglass);
    const auto filtered = ApplyFilter(*set, *criterion);
    const auto count = filtered->RecordCount();
    if (!count)
        return report(runTimeError(count.error()));
    if (*count > 0) {
        (void)filtered->MoveFirst();
        window.datPrimaryRS().setRecordset(filtered);
        (void)window.datPrimaryRS().Recordset()->MoveFirst();
    } else {
        reportNoResult(window, QStringLiteral("Dieses Filter"));
        const auto first = fieldName(*set, 0);
        if (!first)
            return report(first.error());
        ApplyFilter(*set, restoreCriterion(*first));
    }
    platform::setMousePointer(platform::kArrow);
}

} // namespace operations
