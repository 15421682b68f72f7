#include "app/common/AboutTexts.h"

#include <string_view>

namespace tallyvane {

namespace {

std::string Trimmed(std::string_view Text) {
  const auto first = Text.find_first_not_of(' ');
  if (first == std::string_view::npos) {
    return {};
  }
  const auto last = Text.find_last_not_of(' ');
  return std::string(Text.substr(first, last - first + 1));
}

// The link without its scheme prefix ("mailto:" and "http://" both have seven
// characters).
std::string WithoutScheme(std::string_view Link) {
  return std::string(Link.size() > 7 ? Link.substr(7) : std::string_view());
}

}  // namespace

const std::array<std::array<const char*, kAboutTextCount>, 2> AboutTexts = {{
    {"About", "Application", "Description", "Version", "Author", "E-mail", "Homepage", "License",
     "Tallyvane Journal is free to use on every computer you own or look after. It only reads "
     "the system's event log and changes nothing on your computer. The program comes as it is, "
     "without warranty of any kind: its authors are not liable for any loss or damage that "
     "arises from its use. You may copy it and pass it on free of charge, provided that you "
     "leave it unchanged.",
     "System Information", "OS", "CPU", "Memory"},
    {"O programu", "Aplikace", "Popis", "Verze", "Autor", "E-mail", "Domovsk\u00e1 str\u00e1nka",
     "Licence",
     "Tallyvane Journal sm\u00edte zdarma pou\u017e\u00edvat na ka\u017ed\u00e9m po\u010d\u00edta"
     "\u010di, kter\u00fd vlastn\u00edte nebo spravujete. Program pouze \u010dte syst\u00e9mov"
     "\u00fd protokol ud\u00e1lost\u00ed a na va\u0161em po\u010d\u00edta\u010di nic nem\u011bn"
     "\u00ed. Program je poskytov\u00e1n tak, jak je, bez jak\u00e9koli z\u00e1ruky: jeho "
     "auto\u0159i neodpov\u00eddaj\u00ed za \u017e\u00e1dnou ztr\u00e1tu ani \u0161kodu vznikl"
     "ou jeho pou\u017e\u00edv\u00e1n\u00edm. Program sm\u00edte bezplatn\u011b kop\u00edrova"
     "t a \u0161\u00ed\u0159it d\u00e1l, pokud jej ponech\u00e1te beze zm\u011bny.",
     "Syst\u00e9mov\u00e9 informace", "OS", "CPU", "Pam\u011b\u0165"},
}};

const char* const kAboutEmailLink = "mailto:journal@tallyvane.example";
const char* const kAboutWebLink = "http://www.tallyvane.example/journal";

TAboutDialogTexts AboutDialogTexts(int Language, const TSnapshotTexts& Facts) {
  const auto& texts = AboutTexts.at(Language == 1 ? 1 : 0);
  TAboutDialogTexts about;
  about.lProduct = Facts.ProductName;
  about.lVer = std::string(texts[3]) + " " + Facts.Version;
  about.lEmail = WithoutScheme(kAboutEmailLink);
  about.lWWW = WithoutScheme(kAboutWebLink);
  about.lCR = Facts.Copyright;
  about.lDesc = Facts.Comments.empty() ? Facts.Description : Facts.Comments;
  about.lOS2 = Trimmed(Facts.OSName + " " + Facts.OSEdition);
  about.Caption = std::string(texts[0]) + "....";
  about.mLic = texts[8];
  return about;
}

}  // namespace tallyvane
