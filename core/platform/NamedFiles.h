#pragma once

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/Result.h"
#include "platform/DataLocation.h"
#include "platform/FileRead.h"
#include "platform/Platform.h"

namespace runwell {

/// The items of one kind a run offers (regulators, missions), each with a `name`, in the order
/// they are shown, and a message per file that could not be used.
template <class Item>
struct NamedFileSet {
    std::vector<Item> items;
    std::vector<std::string> messages;  // in the order the files were read
};

/// Puts `item` in `items` in place of the one of the same name, or at the end; its index.
template <class Item>
std::size_t KeepByName(std::vector<Item>& items, Item item) {
    const auto same = std::find_if(items.begin(), items.end(),
                                   [&](const Item& other) { return other.name == item.name; });
    if (same != items.end()) {
        *same = std::move(item);
        return static_cast<std::size_t>(same - items.begin());
    }
    items.push_back(std::move(item));
    return items.size() - 1;
}

/// Reads every "*.json" in `folder` in name order with `read` (path -> Result<Item>). A file
/// `read` refuses is skipped with a message naming it as `shownFolder`/NAME (by its whole path
/// when `shownFolder` is empty); so is a second file of a name (the item's `key`) already read. A
/// missing folder holds nothing.
template <class Item, class Read>
NamedFileSet<Item> LoadNamedFiles(const std::filesystem::path& folder,
                                  const std::string& shownFolder, Read read,
                                  std::string Item::*key = &Item::name) {
    NamedFileSet<Item> set;
    std::map<std::string, std::string> claimed;  // item name -> file that describes it
    for (const std::filesystem::path& file : FilesWithExtension(folder, ".json")) {
        const std::string name = shownFolder.empty()
                                     ? PathToUtf8(file)
                                     : shownFolder + "/" + PathToUtf8(file.filename());
        Result<Item> item = read(file);
        if (!item) {
            set.messages.push_back(name + ": " + item.error().message);
            continue;
        }
        const std::string& itemName = (*item).*key;
        const auto [entry, fresh] = claimed.emplace(itemName, name);
        if (!fresh) {
            set.messages.push_back(name + ": " + entry->second + " already describes \"" +
                                   itemName + "\"; this file is not used.");
            continue;
        }
        set.items.push_back(std::move(*item));
    }
    return set;
}

/// The shipped items of `location.folder`/`kind`, then the user's in the `kind` folder beside
/// CustomBattery.csv when that is another folder. A user's item replaces the shipped one of the
/// same name in its place, so a user can correct a shipped file with figures of their own; the
/// others follow. The messages name the shipped folder's files first (as "KIND/NAME"), then the
/// user's by their whole path.
template <class Item, class Read>
NamedFileSet<Item> LoadShippedAndOwnFiles(const DataLocation& location, const std::string& kind,
                                          Read read) {
    const std::filesystem::path shipped = location.folder / kind;
    NamedFileSet<Item> set = LoadNamedFiles<Item>(shipped, kind, read);
    const std::filesystem::path user = UserFolderBeside(location, kind);
    if (user.empty()) {
        return set;
    }
    NamedFileSet<Item> own = LoadNamedFiles<Item>(user, "", read);
    set.messages.insert(set.messages.end(), std::make_move_iterator(own.messages.begin()),
                        std::make_move_iterator(own.messages.end()));
    for (Item& item : own.items) {
        KeepByName(set.items, std::move(item));
    }
    return set;
}

}  // namespace runwell
