#pragma once

#include <QMap>
#include <QObject>
#include <QString>

// The supply's refusal codes and the messages shown for them.
class ErrorCodes : public QObject
{
    Q_OBJECT

public:
    explicit ErrorCodes(QObject* parent = nullptr);
    ~ErrorCodes() override;

    // Message for `code`; empty when the code is not in the table.
    QString message(int code) const;

    // code -> message. The map is const, so indexing it (codes[code]) is a
    // pure look-up that never enters unknown codes into the table.
    const QMap<int, QString> codes;
};
