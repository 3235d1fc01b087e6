// Words the house knows: the few it refuses in answers and chat checks, and
// the lists bots draw from for each kind of prompt ("A NOUN", "AN ANIMAL").
#pragma once
#include <cstdint>
#include <string>

// True when the word (or any word of a phrase) is on the refused list;
// compared without regard to case, ignoring punctuation around words.
bool wordRefused(const std::string& text);

// A word for a prompt type, chosen with the given random number.
std::string botWordFor(const std::string& type, uint32_t random);

// Cuts an answer to what a word may be: trimmed, at most 60 bytes.
std::string tidyWord(const std::string& word);
