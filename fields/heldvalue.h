#pragma once

#include <QString>
#include <QStringList>

#include <optional>

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

    // What the instrument holds now: the text its latest read on this
    // connection gave, none when that read failed or none was made.
    using Holding = std::optional<QString>;

    // The fills. Each names the field's own text right after it (`shownText`),
    // from which a later change is told, and clears the user's change mark.
    //
    // Nothing was read: the field shows `shownText` (usually empty).
    void fillNotRead(const QString& shownText = QString());
    // Read `text`, which the field shows exactly: writing the field unchanged
    // gives the instrument that value back.
    void fillShown(const QString& text, const QString& shownText);
    // Read `text`, which the field cannot show as it is: held aside.
    void fillHeld(const QString& text, const QString& shownText);
    // Read `text` into a field whose own text is the value (a line or text
    // edit): shown when the field took it whole, held when it cut or changed it.
    void fillText(const QString& text, const QString& shownText);
    // Read `text`, which the field takes as `number` (none: no number to it),
    // and now shows `shownNumber`: shown when the two are the same number,
    // held when the field could not show it (beyond its range or digits).
    void fillNumber(const QString& text, std::optional<double> number, double shownNumber,
                    const QString& shownText);

    // The user edited the field (typed the same text again included).
    void markChanged() { changed = true; }

    State state() const { return current; }
    bool isRead() const { return current != State::NotRead; }
    // The instrument's text as read; empty when not read.
    const QString& text() const { return read_text; }
    // What the fill read, as the instrument held it then.
    Holding holding() const { return isRead() ? Holding(read_text) : std::nullopt; }

    // The user changed the field since its fill: marked, or it shows
    // something else now (a default or a file put in by a button).
    bool isChanged(const QString& shownNow) const { return changed || shownNow != shown_text; }

    // Whether a Save or Apply may write the field now showing `shownNow`,
    // the instrument holding `now`: one the user changed, or an unchanged one
    // that shows exactly what the instrument holds now. So not an unchanged
    // field whose value was not read or is held, nor one whose value could
    // not be read again since the fill or changed since.
    bool mayWrite(const QString& shownNow, const Holding& now) const;
    // The same for a window that fills its fields from every report of the
    // instrument: what its latest fill read is what the instrument holds now.
    bool mayWrite(const QString& shownNow) const { return mayWrite(shownNow, holding()); }

    // True once for each value the field keeps (not read, or held), until it
    // shows one again: the window names each kept value once (KeptValues).
    bool takeNotice();

private:
    void fill(State state, const QString& text, const QString& shownText);

    State current = State::NotRead;
    QString read_text;
    QString shown_text;
    bool changed = false;
    bool noticed = false;
    State noticed_state = State::Shown;
    QString noticed_text;
};

// What a window says, once, of the values its fields keep as the instrument
// holds them: each kept value is named the first time it is kept, and again
// only once its field showed a value and then kept one again, or keeps
// another. A fill that keeps the same values as before says nothing.
class KeptValues
{
public:
    // After `value`'s fill: when it keeps a value the window has not named,
    // lists `phrase` (under notRead() or held()) and returns true. An empty
    // phrase lists nothing: a value the window does not name.
    bool add(HeldValue& value, const QString& phrase);
    // A Save or Apply leaves `value` as the instrument holds it: lists
    // `phrase` under left(). That is news when the window has not said so
    // yet: the value was not named, or its field showed it and it could not
    // be read again or changed since the fill.
    void addLeft(HeldValue& value, const QString& phrase);

    // What was listed, in the order listed.
    const QStringList& named() const { return all; }
    const QStringList& notRead() const { return not_read; }
    const QStringList& held() const { return held_aside; }
    const QStringList& left() const { return left_alone; }
    // Whether the window has something to say: a value listed is news.
    bool isNews() const { return news; }
    void clear() { *this = KeptValues(); }

private:
    QStringList all;
    QStringList not_read;
    QStringList held_aside;
    QStringList left_alone;
    bool news = false;
};

// Marks `value` changed on every edit the user makes in `field`: typing in a
// line edit, spin box or date/time edit, stepping a spin box, clicking a
// check box or radio button, choosing an entry of a list. Changes made by
// code do not count; a fill after them resets the mark anyway.
void watchUserEdits(QWidget* field, HeldValue* value);
