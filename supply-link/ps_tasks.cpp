// The task table: what each task id sends to the supply and where the reply goes.

#include "loggers.h"
#include "ps_comm.h"
#include "ps_replies.h"
#include "ps_thread.h"

#include <QMutexLocker>

void ps_thread::execute_task(ps_task task)
{
    const QString params =
        task.id == TaskSetPassword ? QStringLiteral("***") : task.params.join(QStringLiteral(", "));
    psThreadLogger->trace("execute_task called, command id = {}, command params = {}", task.id, params);
    if (!comm)
        return;

    // Every exchange runs without the mutex; the record is touched only under
    // short locks, and signals carry copies taken after the update.
    // A reader is passed as a callable, not as a pointer to a PS_Comm member:
    // GCC 12's checked build (-fsanitize=undefined) loads the object of a
    // member-pointer call on the virtual path only, so a non-virtual reader
    // was called on whatever the register held.
    auto query = [this](QString ps_data::*field, auto read) {
        QString value;
        const int result = read(value);
        if (result == 0) {
            QMutexLocker locker(&mutex);
            ps_response.*field = value;
        }
        return result;
    };
    // A file the editor may write back: a failed read leaves no text of it.
    auto fileQuery = [this](QString ps_data::*field, bool ps_data::*read, auto reader) {
        QString value;
        const bool answered = reader(value) == 0;
        QMutexLocker locker(&mutex);
        ps_response.*field = answered ? value : QString();
        ps_response.*read = answered;
        return answered;
    };
    auto feed = [this](moving_average ps_data::*average, QString ps_data::*field) {
        QMutexLocker locker(&mutex);
        (ps_response.*average).add(ps_response.*field);
    };
    // A set command's result as windows are told it: one whose answer is not
    // known is neither taken nor refused.
    auto setResult = [this](int result) {
        return comm->lastOutcome() == PS_Comm::Outcome::Answered ? result : ps_data::unanswered;
    };
    auto setpoint = [this](const QString& text) {
        QMutexLocker locker(&mutex);
        return text;
    };

    switch (task.id) {
    case TaskOutputOn:
        comm->outputOn();
        break;
    case TaskOutputOff:
        comm->outputOff();
        break;
    case TaskReset:
        comm->reset();
        break;
    case TaskReadCurrent:
        query(&ps_data::current, [this](QString& v) { return comm->readCurrent(v); });
        feed(&ps_data::current_avg, &ps_data::current);
        break;
    case TaskReadVoltage:
        query(&ps_data::voltage, [this](QString& v) { return comm->readVoltage(v); });
        feed(&ps_data::voltage_avg, &ps_data::voltage);
        break;
    case TaskReadStatus: {
        QString value;
        if (comm->readStatus(value) == 0) {
            QMutexLocker locker(&mutex);
            applyStatus(ps_response, value);
        }
        emit status_read(snapshot());
        break;
    }
    case TaskReadTemperature:
        query(&ps_data::temperature, [this](QString& v) { return comm->readTemperature(v); });
        feed(&ps_data::temperature_avg, &ps_data::temperature);
        emit temperature_read(snapshot());
        break;
    case TaskReadDcLink:
        query(&ps_data::dc_link, [this](QString& v) { return comm->readDcLink(v); });
        emit dc_link_read(snapshot());
        break;
    case TaskReadLeakage:
        query(&ps_data::leakage_current, [this](QString& v) { return comm->readLeakageCurrent(v); });
        feed(&ps_data::leakage_avg, &ps_data::leakage_current);
        emit leakage_current_read(snapshot());
        break;
    case TaskReadMemory: {
        const QString cellText = param(task, 0);
        psThreadLogger->debug("Read mem value {}", cellText);
        QString value;
        const int result = comm->readMemory(cellText, value);
        const int cell = memoryCellOf(cellText);
        if (cell >= 0) {
            // A failed read leaves no value behind: what the cell held
            // before is no longer known to be the supply's.
            QMutexLocker locker(&mutex);
            ps_response.memory[cell] = result == 0 ? value : QString();
            ps_response.memory_read[cell] = result == 0;
        } else if (result == 0) {
            psThreadLogger->warn("Memory cell {} is not a cell of the supply, value not stored", cellText);
        }
        emit memory_data_read(cellText.toInt());
        break;
    }
    case TaskWriteMemory: {
        const QString cellText = param(task, 0);
        psThreadLogger->debug("Write mem value {}", cellText);
        if (task.params.size() < 2) {
            // Writing an empty value would clear the cell on the supply.
            psThreadLogger->error("Memory write to cell {} has no value, not sent", cellText);
        } else {
            const QString value = task.params.at(1);
            const int cell = memoryCellOf(cellText);
            const int result = setResult(comm->writeMemory(cellText, value));
            if (cell >= 0) {
                QMutexLocker locker(&mutex);
                ps_response.memory_write_result[cell] = result;
                if (result == 0) {
                    ps_response.memory[cell] = value.toUpper();
                    ps_response.memory_read[cell] = true;
                } else if (comm->lastOutcome() == PS_Comm::Outcome::NoReply) {
                    // The supply may have stored the value or not: neither is known to be its.
                    ps_response.memory[cell].clear();
                    ps_response.memory_read[cell] = false;
                }
            } else if (result == 0) {
                psThreadLogger->warn("Memory cell {} is not a cell of the supply, value not stored",
                                     cellText);
            }
        }
        emit memory_data_write(cellText.toInt());
        break;
    }
    case TaskSave:
        comm->save();
        break;
    case TaskSetPassword:
        emit password_set(setResult(comm->writePassword(param(task, 0))));
        break;
    case TaskReadPrivileges:
        query(&ps_data::privileges, [this](QString& v) { return comm->readPrivileges(v); });
        emit privileges_read();
        break;
    case TaskReadVersion: {
        QString text;
        comm->readVersion(text);
        {
            QMutexLocker locker(&mutex);
            applyVersionReply(ps_response, text);
        }
        QString capabilities;
        if (comm->readMemory(QStringLiteral("130"), capabilities) == 0) {
            QMutexLocker locker(&mutex);
            ps_response.capabilities = capabilities;
        }
        emit version_model_capabilities_read(snapshot());
        break;
    }
    case TaskReadId:
        query(&ps_data::id, [this](QString& v) { return comm->readId(v); });
        emit id_read(snapshot());
        break;
    case TaskReboot:
        comm->reboot();
        break;
    case TaskReadLoopMode:
        query(&ps_data::loop_mode, [this](QString& v) { return comm->readLoopMode(v); });
        emit loop_mode_read(snapshot());
        break;
    case TaskReadUpdateMode:
        query(&ps_data::update_mode, [this](QString& v) { return comm->readUpdateMode(v); });
        emit update_mode_read(snapshot());
        break;
    case TaskReadCurrentVoltageStatus: {
        QString text;
        const bool answered = comm->readCurrentVoltageStatus(text) == 0;
        {
            QMutexLocker locker(&mutex);
            // Readings this poll did not read are no readings of now: the
            // texts stay, but nothing shows or plots them again.
            ps_response.readings_read = false;
            if (answered && !applyCurrentVoltageStatus(ps_response, text))
                psThreadLogger->warn("MPLST reply {} has too few fields, ignored", text);
        }
        emit current_voltage_status_read(snapshot());
        break;
    }
    case TaskReadPMode:
        query(&ps_data::pmode, [this](QString& v) { return comm->readPMode(v); });
        break;
    case TaskReadPConnections:
        query(&ps_data::pconnections, [this](QString& v) { return comm->readPConnections(v); });
        break;
    case TaskSync:
        psThreadLogger->debug("SYNC signal");
        emit void_sync_signal();
        break;
    case TaskWriteCurrent:
        comm->writeCurrent(setpoint(current_setpoint));
        break;
    case TaskWriteCurrentRamp:
        comm->writeCurrentRamp(setpoint(current_setpoint));
        break;
    case TaskWriteVoltage:
        comm->writeVoltage(setpoint(voltage_setpoint));
        break;
    case TaskWriteVoltageRamp:
        comm->writeVoltageRamp(setpoint(voltage_setpoint));
        break;
    case TaskLoopCurrent:
        comm->writeLoopMode(QStringLiteral("I"));
        break;
    case TaskLoopVoltage:
        comm->writeLoopMode(QStringLiteral("V"));
        break;
    case TaskUpdateNormal:
        comm->writeMemory(QStringLiteral("113"), QStringLiteral("0"));
        comm->writeUpdateMode(QStringLiteral("NORMAL"));
        break;
    case TaskUpdateAnalog:
        comm->writeMemory(QStringLiteral("113"), QStringLiteral("3"));
        comm->writeUpdateMode(QStringLiteral("ANALOG"));
        break;
    case TaskUpdateWaveform:
        comm->writeMemory(QStringLiteral("113"), QStringLiteral("1"));
        comm->writeUpdateMode(QStringLiteral("WAVEFORM"));
        break;
    case TaskWriteTriggerMode:
        comm->writeTriggerMode(param(task, 0).toInt());
        break;
    case TaskReadTriggerMode:
        query(&ps_data::trigger_mode, [this](QString& v) { return comm->readTriggerMode(v); });
        emit trigger_mode_read(snapshot());
        break;
    case TaskReadLimits: {
        QString text;
        comm->readLimits(text);
        if (!text.isEmpty()) {
            QMutexLocker locker(&mutex);
            if (!applyLimits(ps_response, text))
                psThreadLogger->warn("MLIMITS reply {} has too few fields, ignored", text);
        }
        emit limits_read(snapshot());
        break;
    }
    case TaskWriteFloatMode:
        comm->writeFloatMode(param(task, 0));
        break;
    case TaskReadFloatMode:
        query(&ps_data::float_mode, [this](QString& v) { return comm->readFloatMode(v); });
        emit float_mode_read(snapshot());
        break;
    case TaskReadPolarity:
        if (query(&ps_data::polarity, [this](QString& v) { return comm->readPolarity(v); }) == 0)
            emit directPolarityRead();
        break;
    case TaskReadEpicsPvName:
        if (query(&ps_data::epics_pv_name, [this](QString& v) { return comm->readEpicsPvName(v); }) == 0)
            emit EPICS_PV_name_ready(snapshot());
        break;
    case TaskReadEpicsPvValue:
        if (query(&ps_data::epics_pv_value, [this](QString& v) { return comm->readEpicsPvValue(v); }) == 0)
            emit EPICS_PV_value_ready(snapshot());
        break;
    case TaskReadEpicsProtocols:
        if (fileQuery(&ps_data::epics_protocols, &ps_data::epics_protocols_read,
                      [this](QString& v) { return comm->readEpicsProtocols(v); }))
            emit EPICS_protocols_ready(snapshot());
        break;
    case TaskReadEpicsDb:
        if (fileQuery(&ps_data::epics_db, &ps_data::epics_db_read,
                      [this](QString& v) { return comm->readEpicsDb(v); }))
            emit EPICS_db_ready(snapshot());
        break;
    case TaskWriteEpicsProtocols:
        comm->writeEpicsProtocols(param(task, 0));
        break;
    case TaskWriteEpicsDb:
        comm->writeEpicsDb(param(task, 0));
        break;
    case TaskRestoreEpicsDb:
        comm->restoreEpicsDb();
        break;
    case TaskRestoreEpicsProtocols:
        comm->restoreEpicsProtocols();
        break;
    case TaskWaveformStart:
        comm->waveformStart();
        break;
    case TaskWaveformStop:
        comm->waveformStop();
        break;
    case TaskWaveformPeriods:
        comm->writeWaveformPeriods(param(task, 0));
        break;
    case TaskWaveformPoints:
        comm->writeWaveformPoints(param(task, 0));
        break;
    default:
        break;
    }

    emit data_ready(snapshot());
}
