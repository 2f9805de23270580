#include "pidconfig.h"

#include "configprompts.h"
#include "configrules.h"
#include "loggers.h"

#include <QJsonObject>
#include <QJsonValue>

const QStringList& PIDConfig::keys()
{
    static const QStringList list = {
        QStringLiteral("PIDI_Kp_v"), QStringLiteral("PIDI_Ki_v"),  QStringLiteral("PIDI_Kd_v"),
        QStringLiteral("PIDI_Kp_i"), QStringLiteral("PIDI_Ki_i"),  QStringLiteral("PIDI_Kd_i"),
        QStringLiteral("PIDI_V_max"), QStringLiteral("PIDI_V_min"), QStringLiteral("PIDI_I_max"),
        QStringLiteral("PIDI_I_min"), QStringLiteral("PIDV_Kp_v"), QStringLiteral("PIDV_Ki_v"),
        QStringLiteral("PIDV_Kd_v"), QStringLiteral("PIDV_Kp_i"),  QStringLiteral("PIDV_Ki_i"),
        QStringLiteral("PIDV_Kd_i"), QStringLiteral("PIDV_I_max"), QStringLiteral("PIDV_I_min"),
        QStringLiteral("PIDV_V_max"), QStringLiteral("PIDV_V_min"),
    };
    return list;
}

PIDConfig::PIDConfig(const QStringList& texts)
{
    for (int i = 0; i < KeyCount; ++i)
        values[size_t(i)] = texts.value(i);
    pidConfigLogger->info("PIDConfig created");
}

bool PIDConfig::read(const QJsonObject& json, bool isToApply)
{
    pidConfigLogger->trace("read called");
    for (const QString& key : keys()) {
        if (json.value(key).type() != QJsonValue::Double) {
            pidConfigLogger->error("JSON error, {} should be a number.", key);
            ConfigPrompts::warning(nullptr, QStringLiteral("JSON error"), key + QStringLiteral(" should be a number."));
            return false;
        }
    }
    if (isToApply) {
        for (int i = 0; i < KeyCount; ++i)
            values[size_t(i)] = QString::number(json.value(keys().at(i)).toDouble(), 'g', 6);
    }
    return true;
}

bool PIDConfig::write(QJsonObject& json, QString* badKey) const
{
    pidConfigLogger->trace("write called");
    for (int i = 0; i < KeyCount; ++i) {
        if (!ConfigRules::isNumber(values[size_t(i)])) {
            if (badKey)
                *badKey = keys().at(i);
            return false;
        }
    }
    for (int i = 0; i < KeyCount; ++i)
        json[keys().at(i)] = values[size_t(i)].toDouble();
    return true;
}

QStringList PIDConfig::texts() const
{
    QStringList list;
    for (const QString& v : values)
        list << v;
    return list;
}
