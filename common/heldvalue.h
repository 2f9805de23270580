#pragma once

#include <QString>

class QWidget;

// What a form field knows of the instrument value it stands for.
//
// A value is the instrument's only when the latest read of it on this
// connection succeeded. A field filled from anything else (a read that failed
// or was refused, nothing read yet, an earlier connection) shows it as not
// read; a field that cannot show what was read exactly (text it cannot
// parse, beyond its range, more digits or characters than it takes) holds
// that value aside. Either way an unchanged Save or Apply leaves the value as
// the instrument holds it: the field is written only once the user changed it.
class HeldValue
{
public:
    enum class State { NotRead, Shown, Held };

    // The field now shows `shownText` (its own text right after the fill).
    // `read`: the latest read on this connection succeeded, giving `text`.
    // `exact`: the field shows that value exactly, and writing the field
    // gives the instrument that value back.
    void fill(bool read, const QString& text, bool exact, const QString& shownText);
    // A fill with nothing read: the field shows `shownText` (usually empty).
    void fillNotRead(const QString& shownText = QString()) { fill(false, QString(), false, shownText); }

    // The user edited the field (typed the same text again included).
    void markChanged() { changed = true; }

    State state() const { return current; }
    bool isRead() const { return current != State::NotRead; }
    // The instrument's text as read; empty when not read.
    const QString& text() const { return read_text; }

    // The user changed the field since its fill: marked, or it shows
    // something else now (a default or a file put in by a button).
    bool isChanged(const QString& shownNow) const { return changed || shownNow != shown_text; }
    // Whether a Save or Apply may write the field showing `shownNow`.
    bool mayWrite(const QString& shownNow) const { return current == State::Shown || isChanged(shownNow); }

    // True once for each value the field does not show as the instrument's
    // (not read, or held), until it shows one again: the window says once
    // which values it keeps.
    bool takeNotice();

private:
    State current = State::NotRead;
    QString read_text;
    QString shown_text;
    bool changed = false;
    bool noticed = false;
    State noticed_state = State::Shown;
    QString noticed_text;
};

// Marks `value` changed on every edit the user makes in `field`: typing in a
// line edit, spin box or date/time edit, stepping a spin box, clicking a
// check box or radio button, choosing an entry of a list. Changes made by
// code do not count; a fill after them resets the mark anyway.
void watchUserEdits(QWidget* field, HeldValue* value);
