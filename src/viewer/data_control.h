// The data control `datPrimaryRS`: the bar at the bottom of the viewer window that holds the
// record set, moves through it with its four buttons, shows the record counter and keeps the
// bound fields showing the current record.
#pragma once

#include "database/record_source.h"

#include <QLabel>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

namespace viewer {

class DataControl : public QWidget, public database::RecordSourceControl
{
    Q_OBJECT

public:
    explicit DataControl(QWidget *parent = nullptr);
    ~DataControl() override;

    QString ConnectionString() const { return m_connectionString; }
    void setConnectionString(const QString &connection) override;
    QString RecordSource() const { return m_recordSource; }
    void setRecordSource(const QString &query) override;
    database::RunTimeStatus Refresh() override;
    std::shared_ptr<recordset::RecordSet> Recordset() const override { return m_set; }
    void setRecordset(std::shared_ptr<recordset::RecordSet> set) override;

    QString Caption() const;
    void setCaption(const QString &caption);

    // Binds `field` to `column`: it shows that column of the current record as text.
    void bind(QLabel *field, const QString &column);

signals:
    // After every move of the current record, whoever caused it.
    void MoveComplete();
    // A failure outside any command (a move by one of the buttons, an open during start-up).
    // A handler that sets `cancelDisplay` keeps the control's own message from showing.
    void Error(qint32 number, QString &description, bool &cancelDisplay);

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Tells the user once what the reader warned of when the record set was opened.
    void showOpeningWarnings();
    void showCurrentRecord();
    // `set` when it has a field for every bound column; else the error naming the first missing.
    recordset::Result<std::shared_ptr<recordset::RecordSet>>
    withBoundColumns(std::shared_ptr<recordset::RecordSet> set) const;
    void raiseError(qint32 number, QString description);
    void move(recordset::Status (recordset::RecordSet::*step)(), bool stayAtEnd);

    QString m_connectionString;
    QString m_recordSource;
    std::shared_ptr<recordset::RecordSet> m_set;
    QLabel *m_caption;
    // Finds the field of each binding's column in the record set, once per record set.
    void locateColumns();

    struct Binding
    {
        QLabel *field;
        QString column;
        int index = -1; // of the column in the record set, -1 when it has none
    };
    std::vector<Binding> m_bindings;
    // What another program's change of the open table was said to be: said once.
    std::string m_announcedChange;
    QString m_openingWarnings; // what is still to be said of the table just opened
};

} // namespace viewer
