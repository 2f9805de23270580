#pragma once

#include <QObject>

class QComboBox;

// For a closed, non-editable list whose choice writes to the supply: the keys
// that would step through it (arrows, page keys, Home, End, a typed letter)
// open its popup instead, so that the shown entry changes only when one is
// picked there (a click, or Return). A typed letter finds its entry in the
// popup. The filter belongs to the list.
class ChooseInPopup : public QObject
{
public:
    static void install(QComboBox* list);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit ChooseInPopup(QComboBox* list);
};
