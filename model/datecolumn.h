// The date column of the archive lists: which locale writes it, and reading a column text back
// into the time it was written from. The folder view rebuilds its rows from key texts, so the
// reading must undo exactly what FormatDateColumnText wrote, whatever the locale's layout
// (day or year first, "/" "." "-" or ". " between the parts, one- or two-digit days, month
// names, a blank before the time).
#pragma once
#include <windows.h>
#include <cstddef>

// The locale the date column is written and read in: LOCALE_SYSTEM_DEFAULT unless replaced.
LCID GetDateColumnLocale(void);
// Replaces the locale (tests, a language switch); returns the previous one. Forgets the
// remembered readings of the old locale.
LCID SetDateColumnLocale(LCID locale);

// The short-date picture the column is written with: the locale's short date with every one-
// or two-letter year ("y", "yy") widened to "yyyy", so that no century is lost in the text.
// Returns 1, 0 when the locale gives no picture or out is too small (out then "").
int GetDateColumnPicture(char* out, size_t outSize);

// Reads a date column text (as FormatDateColumnText writes it: short date, a blank, 24-hour
// time without seconds; or the "DD.MM.YYYY HH:MM" form of an impossible date) into year,
// month, day, hour and minute of out (the other fields 0). The reading is checked by writing
// the result again: 1 when that gives exactly text, 0 when text cannot be read back (out is
// then the best reading, all zero when there is none). Thread-safe; readings are remembered.
int ParseDateColumnText(const char* text, SYSTEMTIME* out);
