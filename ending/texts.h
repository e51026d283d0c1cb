// The words of the ending and the staff roll.
#pragma once
#include <string>

constexpr int kEndingLines = 13;

// Lines 1..13 of each ending text (index 0 unused); empty lines are blank.
extern const char* const kEndingNarrow[kEndingLines + 1];
extern const char* const kEndingFlawless[kEndingLines + 1];
extern const char* const kEndingClear[kEndingLines + 1];
extern const char* const kEndingGod[kEndingLines + 1];

struct CreditPage {
  const char* heading;
  const char* entries[3];  // an empty entry ends the page
};
constexpr int kCreditPages = 6;
extern const CreditPage kCredits[kCreditPages];
extern const char* const kPresenter;
// Further small lines of the closing page, under the presenter.
constexpr int kClosingNotes = 3;
extern const char* const kClosingNote[kClosingNotes];
