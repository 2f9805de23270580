#pragma once

#include <QString>
#include <QStringList>

#include <array>

class QJsonObject;

// One PID parameter set as a PID parameter file holds it: 20 numbers under
// fixed keys, each kept here as text.
class PIDConfig
{
public:
    static constexpr int KeyCount = 20;
    // Twenty numbers and their keys take well under a kilobyte; a file larger
    // than this is no PID parameter file.
    static constexpr qint64 maxFileSize = 1 << 20;
    // The keys in their fixed order; key k belongs to the page's line edit
    // "lineEdit_" + key.
    static const QStringList& keys();

    // The 20 texts in key order (missing ones are empty).
    explicit PIDConfig(const QStringList& texts = QStringList());

    // Checks that every key holds a JSON number; the first one that does not
    // is reported in a "JSON error" box and makes it return false. With
    // `isToApply` the values become the members (six significant digits).
    bool read(const QJsonObject& json, bool isToApply);
    // Puts the 20 members into `json` as numbers. A member that is not a
    // number is never written as 0: nothing is written, false is returned and
    // *badKey names the first such key.
    bool write(QJsonObject& json, QString* badKey = nullptr) const;

    QString value(int index) const { return values.at(size_t(index)); }
    QStringList texts() const;

private:
    std::array<QString, KeyCount> values;
};
