#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>

// Presses Return in every enabled line edit of `dialog` that a user can
// reach (a spin box's or combo box's own line edit included), with the
// dialog shown and the field's page in front, as a user commits a field.
// After each press the posted events are delivered; whatever the press set
// off besides the field comes back as "<field>: <what>": a modal box or
// dialog (closed unanswered), a window shown, the dialog itself closed, and
// the text `effects` gives (tasks posted, bytes sent; empty for nothing).
QStringList returnInEveryField(QDialog* dialog, const std::function<QString()>& effects);
