#include "stub/support/sub.h"

#include <algorithm>

#include "stub/support/ini.h"
#include "stub/support/strings.h"

namespace {

bool Same(std::string_view a, std::string_view b, bool ignoreCase) {
  return ignoreCase ? SameText(a, b) : a == b;
}

bool IsList(std::string_view list) { return list.size() >= 2 && list.front() == list.back(); }

}  // namespace

int SUB::Count(std::string_view list) {
  if (!IsList(list)) return 0;
  return static_cast<int>(std::count(list.begin() + 1, list.end(), list.front()));
}

char SUB::Separator(std::string_view list, char fallback) {
  return list.empty() ? fallback : list.front();
}

std::vector<std::string> SUB::Items(std::string_view list) {
  std::vector<std::string> items;
  if (!IsList(list)) return items;
  const char sep = list.front();
  std::size_t start = 1;
  while (start < list.size()) {
    const std::size_t end = list.find(sep, start);
    items.emplace_back(list.substr(start, end - start));
    start = end + 1;
  }
  return items;
}

std::string SUB::Make(const std::vector<std::string>& items, char separator) {
  std::string s(1, separator);
  for (const auto& item : items) {
    s += item;
    s += separator;
  }
  return s;
}

std::string SUB::Item(std::string_view list, int index, std::string_view fallback) {
  if (index < 0 || !IsList(list)) return std::string(fallback);
  const char sep = list.front();
  std::size_t start = 1;
  for (int i = 0; start < list.size(); ++i) {
    const std::size_t end = list.find(sep, start);
    if (i == index) return std::string(list.substr(start, end - start));
    start = end + 1;
  }
  return std::string(fallback);
}

std::int64_t SUB::ItemInt(std::string_view list, int index, std::int64_t fallback) {
  std::int64_t value = fallback;
  if (index < 0 || index >= Count(list) || !ParseInt64(Item(list, index), value)) return fallback;
  return value;
}

int SUB::IndexOf(std::string_view list, std::string_view item, bool ignoreCase) {
  const auto items = Items(list);
  for (std::size_t i = 0; i < items.size(); ++i)
    if (Same(items[i], item, ignoreCase)) return static_cast<int>(i);
  return -1;
}

bool SUB::Contains(std::string_view list, std::string_view item, bool ignoreCase) {
  return IndexOf(list, item, ignoreCase) >= 0;
}

std::string SUB::KeyValue(std::string_view list, std::string_view key, std::string_view fallback,
                          bool ignoreCase) {
  for (std::string item : Items(list)) {
    const std::size_t eq = item.find('=');
    if (eq == std::string::npos) continue;
    std::size_t nameEnd = eq;
    while (nameEnd > 0 && item[nameEnd - 1] == ' ') --nameEnd;
    item.erase(nameEnd, eq - nameEnd);
    if (item.size() > key.size() && item[key.size()] == '=' &&
        Same(std::string_view(item).substr(0, key.size()), key, ignoreCase))
      return item.substr(key.size() + 1);
  }
  return std::string(fallback);
}

void SUB::SplitNameValues(std::string_view list, std::string& names, std::string& values) {
  std::vector<std::string> n, v;
  for (const auto& item : Items(list)) {
    const std::size_t eq = item.find('=');
    n.push_back(item.substr(0, eq));
    v.push_back(eq == std::string::npos ? std::string() : item.substr(eq + 1));
  }
  const char sep = Separator(list);
  names = Make(n, sep);
  values = Make(v, sep);
}

std::string SUB::JoinNameValues(std::string_view names, std::string_view values) {
  auto items = Items(names);
  const auto v = Items(values);
  for (std::size_t i = 0; i < items.size(); ++i) items[i] += "=" + (i < v.size() ? v[i] : "");
  return Make(items, Separator(names));
}

std::string SUB::SetItem(std::string_view list, int index, std::string_view value) {
  if (index < 0) return std::string(list);
  auto items = Items(list);
  if (items.size() <= static_cast<std::size_t>(index))
    items.resize(static_cast<std::size_t>(index) + 1);
  items[static_cast<std::size_t>(index)] = value;
  return Make(items, Separator(list));
}

std::string SUB::DeleteItem(std::string_view list, int index) {
  auto items = Items(list);
  if (index < 0 || static_cast<std::size_t>(index) >= items.size()) return std::string(list);
  items.erase(items.begin() + index);
  return Make(items, Separator(list));
}

std::string SUB::Reverse(std::string_view list) {
  if (!IsList(list)) return std::string(list);
  auto items = Items(list);
  std::reverse(items.begin(), items.end());
  return Make(items, Separator(list));
}

std::string SUB::Merge(std::string_view first, std::string_view second, bool ignoreCase) {
  std::vector<std::string> merged;
  auto add = [&](std::string_view list) {
    for (auto& item : Items(list)) {
      const bool seen = std::any_of(merged.begin(), merged.end(), [&](const std::string& m) {
        return Same(m, item, ignoreCase);
      });
      if (!seen) merged.push_back(std::move(item));
    }
  };
  add(first);
  add(second);
  return Make(merged, Separator(first, Separator(second)));
}

std::string SUB::TrimEmpty(std::string_view list) {
  if (!IsList(list)) return std::string(list);
  auto items = Items(list);
  const auto begin = std::find_if(items.begin(), items.end(), [](auto& s) { return !s.empty(); });
  const auto end =
      std::find_if(items.rbegin(), items.rend(), [](auto& s) { return !s.empty(); }).base();
  return Make(begin < end ? std::vector<std::string>(begin, end) : std::vector<std::string>(),
              Separator(list));
}

std::string SUB::ChangeSeparator(std::string_view list, char separator) {
  if (!IsList(list)) return std::string(list);
  return Make(Items(list), separator);
}
