#pragma once

#include <QString>

// Checks and conversions of the box set-up dialog that need no window: what
// text may be sent to a box, the network address forms, how an SD-card
// listing entry reads, and what a file name from the card becomes on the PC.
namespace SetupChecks
{

// The box takes printable ASCII only (blank to '~'); an empty text passes.
bool isBoxText(const QString& text);

// The pattern of the new-address edits: four numbers 0 to 255 (one to three
// digits, leading zeros allowed) separated by dots.
QString ipv4Pattern();
// A whole address of that form (not merely the start of one).
bool isCompleteIPv4(const QString& text);

// Six hexadecimal pairs separated by ':'.
QString macPattern();
bool isMacAddress(const QString& text);

// The head serial number travels as the second blank-separated word of the
// head-model text, so it may hold no blank.
QString headSerialPattern();
QString boxTextPattern();

// A size the listing can show and compute with: finite, not negative, and
// small enough to stay exact as an integer (so no conversion overflows).
bool sdSizeKnown(double bytes);
// "NAME   Size: 2.5 kB", or "NAME   Size: unknown" for a size not known.
QString sdEntryText(const QString& name, double bytes);
// The progress factor of a file fetch: its size in kB, as the list shows it,
// times 0.125, truncated; 0 for an unknown size.
int sdFetchFactor(double bytes);

// A name from the box (a file on its card, the box's own name) reduced to a
// plain file name: '/', '\\' and control characters become '_'; "." and ".."
// (and an empty name) give an empty text.
QString plainFileName(const QString& name);

} // namespace SetupChecks
