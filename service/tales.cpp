#include "tales.h"

#include <fstream>
#include <sstream>

// Length of the gap starting at text[at] == '{' (through the '}'), 0 when
// the brace opens none.
static size_t gapLength(const std::string& text, size_t at, std::string* type, std::string* hint) {
    size_t close = text.find('}', at + 1);
    if (close == std::string::npos || close == at + 1) return 0;
    std::string inside = text.substr(at + 1, close - at - 1);
    if (inside.find('{') != std::string::npos || inside[0] == ':') return 0;
    size_t colon = inside.find(':');
    *type = inside.substr(0, colon);
    *hint = colon == std::string::npos ? "" : inside.substr(colon + 1);
    return close - at + 1;
}

void taleSplitGaps(const std::string& text, std::vector<std::string>* parts,
                   std::vector<TaleBlank>* blanks) {
    parts->assign(1, "");
    blanks->clear();
    for (size_t i = 0; i < text.size();) {
        std::string type, hint;
        size_t len = text[i] == '{' ? gapLength(text, i, &type, &hint) : 0;
        if (len == 0 || blanks->size() >= static_cast<size_t>(TALE_MAX_GAPS)) {
            parts->back() += text[i++];
            continue;
        }
        blanks->push_back({static_cast<int>(blanks->size()) + 1, type, hint});
        parts->push_back("");
        i += len;
    }
}

static bool loadCategories(const Json& doc, Library* lib, std::string* log) {
    const Json* list = jsArr(doc, "categories");
    if (!list) return false;
    for (const Json& c : *list) {
        Category cat{jsStr(c, "name"), jsStr(c, "kind", "normal")};
        if (cat.name.empty() || categoryByName(*lib, cat.name)) {
            *log += "skipped a category without a name or named twice\n";
            continue;
        }
        lib->categories.push_back(cat);
    }
    return !lib->categories.empty();
}

static void loadTale(const Json& t, Library* lib, std::string* log) {
    Tale tale;
    tale.id = static_cast<int>(jsInt(t, "id", 0));
    tale.title = jsStr(t, "title", "A Tale");
    tale.category = jsStr(t, "category");
    taleSplitGaps(jsStr(t, "text"), &tale.parts, &tale.blanks);
    const char* fault = nullptr;
    if (tale.id <= 0 || taleById(*lib, tale.id)) fault = "an id that is missing or taken";
    else if (!categoryByName(*lib, tale.category)) fault = "an unknown category";
    else if (tale.blanks.size() < static_cast<size_t>(TALE_MIN_GAPS)) fault = "no gaps";
    if (fault) {
        *log += "skipped tale \"" + tale.title + "\": " + fault + "\n";
        return;
    }
    lib->tales.push_back(tale);
}

bool talesLoadText(const std::string& text, Library* lib, std::string* log) {
    *lib = Library{};
    Json doc = jsonParseLine(text);
    if (doc.is_discarded()) {
        *log += "the story library is not valid JSON\n";
        return false;
    }
    if (!loadCategories(doc, lib, log)) {
        *log += "the story library names no categories\n";
        return false;
    }
    if (const Json* tales = jsArr(doc, "tales")) {
        for (const Json& t : *tales) loadTale(t, lib, log);
    }
    return !lib->tales.empty();
}

bool talesLoadFile(const std::string& path, Library* lib, std::string* log) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *log += "cannot open " + path + "\n";
        return false;
    }
    std::stringstream all;
    all << in.rdbuf();
    return talesLoadText(all.str(), lib, log);
}

const Tale* taleById(const Library& lib, int id) {
    for (const Tale& t : lib.tales) {
        if (t.id == id) return &t;
    }
    return nullptr;
}

std::vector<const Tale*> talesOfCategory(const Library& lib, const std::string& category) {
    std::vector<const Tale*> out;
    for (const Tale& t : lib.tales) {
        if (t.category == category) out.push_back(&t);
    }
    return out;
}

const Category* categoryByName(const Library& lib, const std::string& name) {
    for (const Category& c : lib.categories) {
        if (c.name == name) return &c;
    }
    return nullptr;
}

Json storiesPage(const Library& lib, const std::string& category, int64_t offset) {
    std::vector<const Tale*> all = talesOfCategory(lib, category);
    int64_t total = static_cast<int64_t>(all.size());
    if (offset < 0) offset = 0;
    Json items = Json::array();
    for (int64_t i = offset; i < total && i < offset + STORIES_PAGE_SIZE; ++i) {
        const Tale* t = all[static_cast<size_t>(i)];
        items.push_back({{"id", t->id}, {"title", t->title}, {"category", t->category},
                         {"blanks", t->blanks.size()}});
    }
    return {{"category", category}, {"offset", offset}, {"total", total}, {"items", items}};
}

std::string taleFill(const Tale& tale, const std::map<int, std::string>& words) {
    std::string out = tale.parts[0];
    for (size_t i = 0; i < tale.blanks.size(); ++i) {
        auto it = words.find(tale.blanks[i].n);
        out += it != words.end() && !it->second.empty() ? it->second : "[" + tale.blanks[i].type + "]";
        out += tale.parts[i + 1];
    }
    return out;
}
