// After a won game: the ending text revealed over the rising title picture,
// then the credit pages and the closing page that waits for Enter.
#pragma once
#include <string>

// The text chosen for the game just won; index 1..13.
extern std::string endingText[14];

void FillEndingText();
void ShowEnding();
void ShowCredit(const std::string& heading, const std::string& entry1,
                const std::string& entry2, const std::string& entry3);
void ShowStaffRoll();
