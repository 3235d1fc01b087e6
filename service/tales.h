// The story library: tales read from tales.json (categories with their kind,
// tales written with inline gaps "{TYPE:hint}"), the story list pages the
// door browses, and the finished text of a tale with its words filled in.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "json_util.h"

constexpr int TALE_MIN_GAPS = 1;        // a tale without gaps is no game
constexpr int TALE_MAX_GAPS = 128;      // the door keeps at most 128 prompts
constexpr int STORIES_PAGE_SIZE = 10;   // tales per answer to the stories command

struct TaleBlank {
    int n;              // 1-based, in reading order
    std::string type;   // "A NOUN", shown upper case as the prompt
    std::string hint;   // may be empty
};

struct Tale {
    int id;
    std::string title;
    std::string category;
    std::vector<std::string> parts;  // text around the gaps: blanks.size() + 1 pieces
    std::vector<TaleBlank> blanks;
};

struct Category {
    std::string name;
    std::string kind;  // "normal", "holiday" or "limited"
};

struct Library {
    std::vector<Category> categories;
    std::vector<Tale> tales;
};

// Splits a text with inline gaps into pieces and blanks. A "{" that opens no
// gap (empty braces, no closing brace, "{:", a "{" inside) stays as text.
void taleSplitGaps(const std::string& text, std::vector<std::string>* parts,
                   std::vector<TaleBlank>* blanks);

// Reads the library from JSON text; bad entries are skipped and told in
// *log. Returns false when no usable tale remains.
bool talesLoadText(const std::string& text, Library* lib, std::string* log);
bool talesLoadFile(const std::string& path, Library* lib, std::string* log);

const Tale* taleById(const Library& lib, int id);
std::vector<const Tale*> talesOfCategory(const Library& lib, const std::string& category);
const Category* categoryByName(const Library& lib, const std::string& name);

// One page of the story list: {category, offset, total, items[{id,title,category,blanks}]}.
Json storiesPage(const Library& lib, const std::string& category, int64_t offset);

// The finished text; a missing word shows as its blank's type in brackets.
std::string taleFill(const Tale& tale, const std::map<int, std::string>& words);
