#include "present/SharedDocumentCanvas.h"

namespace tallyvane {

TSharedDocumentCanvas::~TSharedDocumentCanvas() {
  try {
    Finish();
  } catch (...) {
    // The job's error has already gone to the caller of the print command.
  }
}

void TSharedDocumentCanvas::Finish() {
  if (FBegun) {
    FBegun = false;
    FInner.EndDoc();
  }
}

void TSharedDocumentCanvas::SetDocumentName(const std::string& Name) {
  // The document keeps the first job's name.
  if (!FNamed) {
    FNamed = true;
    FInner.SetDocumentName(Name);
  }
}

void TSharedDocumentCanvas::BeginDoc() {
  if (FBegun) {
    FInner.NewPage();
  } else {
    FInner.BeginDoc();
    FBegun = true;
  }
  FPage = 1;
}

void TSharedDocumentCanvas::NewPage() {
  FInner.NewPage();
  ++FPage;
}

}  // namespace tallyvane
