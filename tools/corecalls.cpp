// corecalls ROOT [MAXLOOP [-e | -w]]: the calls between the files of ROOT/core.
//
// A file calls another when it calls a function that only the other one
// defines (a definition: a line that starts with a return type and a name,
// not static, whose parameter list is followed by a body).  Fails, printing
// each offence, when a file calls one of a higher layer (the table below),
// when a service at the bottom is in a loop, when a file of the macro core
// keeps mutable statics or file-scope variables beside its module record,
// or when a loop of files calling each other is larger than MAXLOOP
// (default 12).  Prints the loops, and with -e
// every call between two files with the names that make it.  The header
// comment of each file says whom it calls and who calls it ("** Calls:",
// "** Called by:"); a header that does not fails, and -w writes them.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
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
    std::cerr << "usage: corecalls ROOT [MAXLOOP [-e | -w]]\n";
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
  // the layers, bottom up: a file calls only files of its own layer and
  // of the layers below
  static const char *const c_apszLayer[] = {
      "the services",                                   // 0
      "the statement record",                           // 1
      "symbols and expressions",                        // 2
      "sections, constants, USING, source and options", // 3
      "the encoders and the object",                    // 4
      "the listing",                                    // 5
      "the statement processing",                       // 6 (the macro language makes it recursive)
      "the phases",                                     // 7
      "the driver",                                     // 8
  };
  const std::map<std::string, int> mapLayer = {
      {"mem.cpp", 0},  {"file.cpp", 0}, {"temp.cpp", 0}, {"work.cpp", 0}, {"opt.cpp", 0},  {"chars.cpp", 0},
      {"stmt.cpp", 1}, {"pars.cpp", 2}, {"eval.cpp", 2}, {"lbl.cpp", 2},  {"esd1.cpp", 3}, {"def1.cpp", 3},
      {"usg2.cpp", 3}, {"src1.cpp", 3}, {"asm0.cpp", 3}, {"ins2.cpp", 4}, {"msc2.cpp", 4}, {"pun2.cpp", 4},
      {"def2.cpp", 4}, {"prn2.cpp", 5}, {"xrf2.cpp", 5}, {"gen1.cpp", 6}, {"exe1.cpp", 6}, {"instr.cpp", 6},
      {"mac1.cpp", 6}, {"msc1.cpp", 6}, {"var1.cpp", 6}, {"cnd1.cpp", 6}, {"asm1.cpp", 7}, {"asm2.cpp", 7},
      {"fix1.cpp", 7}, {"asm.cpp", 8}};
  std::set<std::string> setServices;
  for (const std::string &f : astrFiles) {
    auto itFrom = mapLayer.find(f);
    if (itFrom == mapLayer.end()) {
      std::cout << "corecalls: core/" << f << " is in no layer (tools/corecalls.cpp)\n";
      iStatus = 1;
      continue;
    }
    if (itFrom->second == 0) setServices.insert(f);
    for (const auto &[to, names] : mapEdges[f]) {
      auto it = mapLayer.find(to);
      if (it == mapLayer.end() || it->second <= itFrom->second) continue;
      std::cout << "corecalls: core/" << f << " calls";
      for (const std::string &n : names) std::cout << " " << n;
      std::cout << " of core/" << to << " (" << c_apszLayer[it->second] << "), above " << c_apszLayer[itFrom->second]
                << "\n";
      iStatus = 1;
    }
  }
  // the macro core passes its state: no mutable statics, no file-scope
  // variables but the module's own record
  const std::map<std::string, std::string> mapState = {
      {"mac1.cpp", "g_mac"}, {"var1.cpp", "g_var"}, {"cnd1.cpp", ""}, {"gen1.cpp", ""}};
  for (const auto &[f, strOwn] : mapState) {
    auto itText = mapText.find(f);
    if (itText == mapText.end()) continue;
    std::istringstream lines(itText->second);
    std::string strLine;
    for (unsigned uLine = 1; std::getline(lines, strLine); uLine++) {
      size_t b = strLine.find_first_not_of(" \t");
      if (b == std::string::npos) continue;
      std::string t = strLine.substr(b);
      bool bStatic = t.compare(0, 7, "static ") == 0 && t.find('(') == std::string::npos &&
                     t.compare(0, 13, "static const ") != 0 && t.compare(0, 17, "static constexpr ") != 0 &&
                     t.compare(0, 14, "static inline ") != 0;
      bool bFileScope = b == 0 && t.back() == ';' && t.find('(') == std::string::npos &&
                        t.find('{') == std::string::npos && std::isalpha(static_cast<unsigned char>(t[0]));
      if (bFileScope)
        for (const char *pszWord : {"using ", "constexpr ", "const ", "struct ", "class ", "enum ", "typedef ",
                                    "namespace ", "extern ", "template ", "inline constexpr ", "static_assert"})
          if (t.compare(0, std::strlen(pszWord), pszWord) == 0) bFileScope = false;
      if (bFileScope && !strOwn.empty() && t.find(" " + strOwn + ";") != std::string::npos) bFileScope = false;
      if (bStatic || bFileScope) {
        std::cout << "corecalls: core/" << f << ":" << uLine << " keeps state outside what it is passed: " << t << "\n";
        iStatus = 1;
      }
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
  // the header of each file says whom it calls and who calls it (the
  // services left out: every file calls them); -w writes those lines
  bool bWrite = argc > 3 && std::string(argv[3]) == "-w";
  auto fModule = [](const std::string &f) { return f.substr(0, f.size() - 4); };
  for (const std::string &f : astrFiles) {
    auto itLayer = mapLayer.find(f);
    if (itLayer == mapLayer.end()) continue;
    std::vector<std::string> aCalls, aCallers;
    for (const auto &[to, names] : mapEdges[f])
      if (mapLayer.count(to) != 0 && mapLayer.at(to) > 0) aCalls.push_back(fModule(to));
    for (const std::string &g : astrFiles)
      if (g != f && mapEdges[g].count(f) != 0 && mapLayer.count(g) != 0) aCallers.push_back(fModule(g));
    auto fList = [](const std::vector<std::string> &a, const char *pszNone) {
      if (a.empty()) return std::string(pszNone);
      std::string str;
      for (const std::string &m : a) str += (str.empty() ? "" : ", ") + m;
      return str + ".";
    };
    std::string strCalls = "** Calls: " + fList(aCalls, "the services only.");
    std::string strCallers =
        "** Called by: " + (itLayer->second == 0 ? std::string("every layer above.") : fList(aCallers, "none."));
    fs::path path = fs::path(argv[1]) / "core" / f;
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    std::string strText = ss.str();
    // the lines as they stand: from "** Calls:" to the end of "** Called by:" (continuation lines start "**   ")
    size_t a = strText.find("\n** Calls: ");
    size_t e = a == std::string::npos ? std::string::npos : strText.find("\n** Called by: ", a);
    if (e != std::string::npos) {
      e = strText.find('\n', e + 1);
      while (e != std::string::npos && strText.compare(e + 1, 5, "**   ") == 0) e = strText.find('\n', e + 1);
    }
    auto fWrap = [](const std::string &strLine) {
      std::string str, strWord, strOut = "";
      std::istringstream words(strLine);
      std::string strCur;
      while (words >> strWord) {
        if (!strCur.empty() && strCur.size() + 1 + strWord.size() > 78) {
          strOut += strCur + "\n";
          strCur = "**  ";
        }
        strCur += (strCur.empty() || strCur == "**  " ? (strCur.empty() ? "" : " ") : " ") + strWord;
      }
      return strOut + strCur;
    };
    std::string strWanted = fWrap(strCalls) + "\n" + fWrap(strCallers);
    if (bWrite) {
      if (a != std::string::npos && e != std::string::npos) {
        strText.replace(a + 1, e - a - 1, strWanted);
      } else { /* after the first paragraph of the header */
        size_t p = strText.find("\n**\n");
        if (p == std::string::npos) continue;
        strText.insert(p + 4, strWanted + "\n**\n");
      }
      std::ofstream out(path, std::ios::binary);
      out << strText;
      if (!out.flush()) {
        std::cout << "corecalls: cannot write core/" << f << "\n";
        iStatus = 1;
      }
      continue;
    }
    if (a == std::string::npos || e == std::string::npos || strText.compare(a + 1, e - a - 1, strWanted) != 0) {
      std::cout << "corecalls: the header of core/" << f << " should say\n"
                << strWanted << "\n(tools/corecalls ROOT MAXLOOP -w writes it)\n";
      iStatus = 1;
    }
  }
  return iStatus;
}
