#include "words.h"

#include <array>
#include <cctype>
#include <string_view>

#include "json_util.h"

namespace {

// Kept short on purpose: a family game's house list, not a filter product.
constexpr std::array<std::string_view, 8> REFUSED = {
    "poop", "butt", "stupid", "idiot", "dumb", "shut up", "hate", "loser",
};

struct WordList {
    std::string_view key;                       // found inside the upper-case type
    std::array<std::string_view, 10> words;
};

// Checked in order: the first key found in the type wins, so the more
// particular kinds ("PLURAL", "ING") stand before the general ones.
constexpr std::array<WordList, 16> LISTS = {{
    {"PLURAL", {"pancakes", "socks", "llamas", "umbrellas", "teapots", "marbles", "noodles", "kazoos", "pickles", "trombones"}},
    {" ING", {"wobbling", "juggling", "tiptoeing", "yodelling", "sneezing", "hopping", "giggling", "whistling", "skating", "moonwalking"}},
    {"ANIMAL", {"penguin", "walrus", "hamster", "giraffe", "goat", "octopus", "hedgehog", "yak", "parrot", "sloth"}},
    {"FOOD", {"spaghetti", "custard", "turnip", "waffle", "meatball", "jelly", "pretzel", "porridge", "crumpet", "pickle"}},
    {"PLACE", {"the moon", "a bouncy castle", "Antarctica", "the library", "a submarine", "grandma's attic", "the zoo", "a volcano", "the car wash", "Paris"}},
    {"NUMBER", {"seven", "forty-two", "a million", "three", "ninety-nine", "twelve", "eleventy", "six", "one hundred", "zero"}},
    {"COLOUR", {"purple", "tangerine", "lime green", "silver", "pink", "turquoise", "golden", "plaid", "mauve", "sky blue"}},
    {"COLOR", {"purple", "tangerine", "lime green", "silver", "pink", "turquoise", "golden", "plaid", "mauve", "sky blue"}},
    {"NAME", {"Aunt Mabel", "Sir Wiggles", "Doctor Pudding", "Captain Fizz", "Grandpa Joe", "Princess Toot", "Mister Biscuit", "Madame Zazz", "Little Timmy", "Professor Noodle"}},
    {"SOUND", {"boing", "splat", "honk", "kaboom", "squeak", "fwoosh", "ding-dong", "blorp", "zzzip", "kerplunk"}},
    {"BODY", {"elbow", "nose", "big toe", "eyebrow", "kneecap", "belly button", "earlobe", "chin", "thumb", "ankle"}},
    {"EXCLAMATION", {"Yikes", "Holy guacamole", "Zoinks", "Great gravy", "Whoopsie", "Hooray", "Good grief", "Jumping jellybeans", "Oh my stars", "Wowzers"}},
    {"ADVERB", {"wildly", "sneakily", "gracefully", "loudly", "politely", "backwards", "sleepily", "proudly", "suspiciously", "gently"}},
    {"ADJECTIVE", {"squishy", "sparkly", "grumpy", "enormous", "wobbly", "fluffy", "ridiculous", "sticky", "majestic", "tiny"}},
    {"VERB", {"dance", "wiggle", "sneeze", "juggle", "gallop", "hiccup", "tumble", "whistle", "bounce", "scribble"}},
    {"NOUN", {"banana", "trumpet", "sock", "teapot", "rubber duck", "cactus", "spoon", "kazoo", "lampshade", "bucket"}},
}};

constexpr std::array<std::string_view, 10> ANY_WORD = {
    "jellybean", "wobble", "spatula", "moustache", "pancake", "flamingo", "tickle", "noodle", "bubble", "kazoo",
};

std::string upper(const std::string& s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string lowerLetters(const std::string& s) {
    std::string out;
    for (char c : s) {
        unsigned char u = static_cast<unsigned char>(c);
        out += std::isalpha(u) ? static_cast<char>(std::tolower(u)) : ' ';
    }
    return " " + out + " ";
}

}  // namespace

bool wordRefused(const std::string& text) {
    std::string padded = lowerLetters(text);
    for (std::string_view bad : REFUSED) {
        if (padded.find(" " + std::string(bad) + " ") != std::string::npos) return true;
    }
    return false;
}

std::string botWordFor(const std::string& type, uint32_t random) {
    std::string up = upper(type);
    for (const WordList& list : LISTS) {
        if (up.find(list.key) != std::string::npos) {
            return std::string(list.words[random % list.words.size()]);
        }
    }
    return std::string(ANY_WORD[random % ANY_WORD.size()]);
}

std::string tidyWord(const std::string& word) {
    size_t first = word.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    size_t last = word.find_last_not_of(" \t");
    return textCut(word.substr(first, last - first + 1), 60);
}
