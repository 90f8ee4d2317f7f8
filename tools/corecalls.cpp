// corecalls ROOT [MAXLOOP [-e]]: the calls between the files of ROOT/core.
//
// A file calls another when it calls a function that only the other one
// defines (a definition: a line that starts with a return type and a name,
// not static, whose parameter list is followed by a body).  Fails, printing
// each offence, when a service at the bottom (mem, file, temp, work, opt,
// chars) calls a file outside the services, when the statement record
// (stmt) calls anything but them, or when a loop of files calling each
// other is larger than MAXLOOP (default 12).  Prints the loops, and with -e
// every call between two files with the names that make it.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool bWord(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// The text with comments, strings and character literals blanked; line
// ends stay.
std::string strStripped(const std::string &s)
{
  std::string o = s;
  for (size_t i = 0; i < o.size();) {
    if (o.compare(i, 2, "//") == 0) {
      while (i < o.size() && o[i] != '\n') o[i++] = ' ';
    } else if (o.compare(i, 2, "/*") == 0) {
      size_t e = o.find("*/", i + 2);
      e = e == std::string::npos ? o.size() : e + 2;
      for (; i < e; i++)
        if (o[i] != '\n') o[i] = ' ';
    } else if (o[i] == '"' || (o[i] == '\'' && !(i > 0 && std::isxdigit(static_cast<unsigned char>(o[i - 1]))))) {
      char q = o[i];
      o[i++] = ' ';
      while (i < o.size() && o[i] != q && o[i] != '\n') {
        if (o[i] == '\\' && i + 1 < o.size()) o[i++] = ' ';
        o[i++] = ' ';
      }
      if (i < o.size() && o[i] == q) o[i++] = ' ';
    } else {
      i++;
    }
  }
  return o;
}

// The functions a file defines.
std::set<std::string> setDefined(const std::string &t)
{
  std::set<std::string> set;
  for (size_t i = 0; i < t.size(); i = t.find('\n', i) == std::string::npos ? t.size() : t.find('\n', i) + 1) {
    if (!(std::isalpha(static_cast<unsigned char>(t[i])) || t[i] == '_')) continue;
    if (t.compare(i, 7, "static ") == 0) continue;
    // the first name followed by '(' over type characters
    size_t k = i;
    std::string strName;
    while (k < t.size()) {
      char c = t[k];
      if (bWord(c)) {
        size_t b = k;
        while (k < t.size() && bWord(t[k])) k++;
        size_t j = k;
        while (j < t.size() && std::isspace(static_cast<unsigned char>(t[j]))) j++;
        if (j < t.size() && t[j] == '(') {
          strName = t.substr(b, k - b);
          k = j;
          break;
        }
      } else if (c == ':' || c == '<' || c == '>' || c == ',' || c == '*' || c == '&' ||
                 std::isspace(static_cast<unsigned char>(c))) {
        k++;
      } else {
        break;
      }
    }
    if (strName.empty() || k >= t.size() || t[k] != '(') continue;
    static const std::set<std::string> c_setKeywords = {"if",     "while",    "for",           "switch",
                                                        "return", "main",     "sizeof",        "void",
                                                        "bool",   "operator", "static_assert", "decltype"};
    if (c_setKeywords.count(strName) != 0) continue;
    size_t e = t.find_first_of(";{", k);
    if (e == std::string::npos || t[e] != '{') continue;
    std::string strTail = t.substr(k, e - k);
    while (!strTail.empty() && std::isspace(static_cast<unsigned char>(strTail.back()))) strTail.pop_back();
    for (const char *pszWord : {"noexcept", "const"}) {
      std::string w = pszWord;
      if (strTail.size() >= w.size() && strTail.compare(strTail.size() - w.size(), w.size(), w) == 0) {
        strTail.resize(strTail.size() - w.size());
        while (!strTail.empty() && std::isspace(static_cast<unsigned char>(strTail.back()))) strTail.pop_back();
      }
    }
    if (!strTail.empty() && strTail.back() == ')') set.insert(strName);
  }
  return set;
}

// The names a file calls.
std::set<std::string> setCalled(const std::string &t)
{
  std::set<std::string> set;
  for (size_t i = 0; i < t.size();) {
    if (!bWord(t[i]) || (i > 0 && bWord(t[i - 1]))) {
      i++;
      continue;
    }
    size_t b = i;
    while (i < t.size() && bWord(t[i])) i++;
    size_t j = i;
    while (j < t.size() && std::isspace(static_cast<unsigned char>(t[j]))) j++;
    if (j < t.size() && t[j] == '(' && !std::isdigit(static_cast<unsigned char>(t[b]))) set.insert(t.substr(b, i - b));
  }
  return set;
}

} // namespace

int main(int argc, char **argv)
{
  if (argc < 2) {
    std::cerr << "usage: corecalls ROOT [MAXLOOP [-e]]\n";
    return 2;
  }
  size_t ulMaxLoop = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 12;
  std::vector<std::string> astrFiles;
  for (const auto &e : fs::directory_iterator(fs::path(argv[1]) / "core"))
    if (e.path().extension() == ".cpp") astrFiles.push_back(e.path().filename().string());
  std::sort(astrFiles.begin(), astrFiles.end());
  if (astrFiles.empty()) {
    std::cerr << "corecalls: no core/*.cpp under " << argv[1] << "\n";
    return 2;
  }
  std::map<std::string, std::string> mapText;
  std::map<std::string, std::set<std::string>> mapOwners; // function -> files defining it
  for (const std::string &f : astrFiles) {
    std::ifstream in(fs::path(argv[1]) / "core" / f, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    mapText[f] = strStripped(ss.str());
    for (const std::string &n : setDefined(mapText[f])) mapOwners[n].insert(f);
  }
  // edges, with the names that make them
  std::map<std::string, std::map<std::string, std::set<std::string>>> mapEdges;
  for (const std::string &f : astrFiles)
    for (const std::string &n : setCalled(mapText[f])) {
      auto it = mapOwners.find(n);
      if (it == mapOwners.end() || it->second.size() != 1 || *it->second.begin() == f) continue;
      mapEdges[f][*it->second.begin()].insert(n);
    }
  if (argc > 3 && std::string(argv[3]) == "-e")
    for (const auto &[from, tos] : mapEdges)
      for (const auto &[to, names] : tos) {
        std::cout << from << " -> " << to << ":";
        for (const std::string &n : names) std::cout << " " << n;
        std::cout << "\n";
      }
  int iStatus = 0;
  // the layers at the bottom: each calls only its own and the ones below
  const std::map<std::string, int> mapLayer = {{"mem.cpp", 0}, {"file.cpp", 0},  {"temp.cpp", 0}, {"work.cpp", 0},
                                               {"opt.cpp", 0}, {"chars.cpp", 0}, {"stmt.cpp", 1}};
  const char *const apszLayer[] = {"the services", "the statement record"};
  std::set<std::string> setServices;
  for (const auto &[f, iLayer] : mapLayer) {
    setServices.insert(f);
    for (const auto &[to, names] : mapEdges[f]) {
      auto it = mapLayer.find(to);
      if (it != mapLayer.end() && it->second <= iLayer) continue;
      std::cout << "corecalls: core/" << f << " calls";
      for (const std::string &n : names) std::cout << " " << n;
      std::cout << " of core/" << to << ", above " << apszLayer[iLayer] << "\n";
      iStatus = 1;
    }
  }
  // loops: strongly connected components (Tarjan)
  std::map<std::string, int> mapIndex, mapLow;
  std::vector<std::string> astrStack;
  std::set<std::string> setOnStack;
  std::vector<std::vector<std::string>> aLoops;
  int iCounter = 0;
  auto fVisit = [&](auto &&self, const std::string &v) -> void {
    mapIndex[v] = mapLow[v] = iCounter++;
    astrStack.push_back(v);
    setOnStack.insert(v);
    for (const auto &[w, names] : mapEdges[v]) {
      (void)names;
      if (mapIndex.count(w) == 0) {
        self(self, w);
        mapLow[v] = std::min(mapLow[v], mapLow[w]);
      } else if (setOnStack.count(w) != 0) {
        mapLow[v] = std::min(mapLow[v], mapIndex[w]);
      }
    }
    if (mapLow[v] == mapIndex[v]) {
      std::vector<std::string> aLoop;
      std::string w;
      do {
        w = astrStack.back();
        astrStack.pop_back();
        setOnStack.erase(w);
        aLoop.push_back(w);
      } while (w != v);
      if (aLoop.size() > 1) aLoops.push_back(aLoop);
    }
  };
  for (const std::string &f : astrFiles)
    if (mapIndex.count(f) == 0) fVisit(fVisit, f);
  size_t ulLargest = 1;
  for (auto &aLoop : aLoops) {
    std::sort(aLoop.begin(), aLoop.end());
    ulLargest = std::max(ulLargest, aLoop.size());
    std::cout << "loop of " << aLoop.size() << ":";
    for (const std::string &f : aLoop) std::cout << " " << f;
    std::cout << "\n";
    for (const std::string &f : aLoop)
      if (setServices.count(f) != 0) {
        std::cout << "corecalls: core/" << f << " is in a loop\n";
        iStatus = 1;
      }
  }
  if (ulLargest > ulMaxLoop) {
    std::cout << "corecalls: the largest loop has " << ulLargest << " files, more than " << ulMaxLoop << "\n";
    iStatus = 1;
  }
  return iStatus;
}
