#include "app/qt/AppStart.h"

#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHash>
#include <QIcon>
#include <QMessageBox>
#include <QScreen>
#include <QWidget>
#include <stdexcept>

// The pictures live in a static library; their registration must be called
// from outside any namespace.
static void InitAppResources() {
  Q_INIT_RESOURCE(app);
}

namespace tallyvane {

void EnsureAppResources() {
  static const bool done = (InitAppResources(), true);
  (void)done;
}

namespace {

std::function<void(QWidget*, const QString&)>& Presenter() {
  static std::function<void(QWidget*, const QString&)> presenter;
  return presenter;
}

bool HasFamily(const QString& Family) {
  const QStringList families = QFontDatabase::families();
  for (const QString& f : families) {
    if (f.compare(Family, Qt::CaseInsensitive) == 0) {
      return true;
    }
  }
  return false;
}

}  // namespace

QStringList RegisterFallbackFonts(const QString& Folder) {
  struct Face {
    const char* family;
    const char* file;
  };
  // Wine's own "Tahoma" bold face is hardly heavier than the regular one and
  // wider spaced; without it Qt emboldens the regular face, which reads as bold.
  static const Face faces[] = {
      {"Tahoma", "tahoma.ttf"},
      {"MS Sans Serif", "ms_sans_serif.ttf"},
  };
  QStringList missing;
  for (const Face& face : faces) {
    const QString family = QString::fromLatin1(face.family);
    if (!missing.contains(family) && !HasFamily(family)) {
      missing << family;
    }
  }
  QStringList registered;
  const QDir dir(Folder);
  for (const Face& face : faces) {
    const QString family = QString::fromLatin1(face.family);
    if (!missing.contains(family)) {
      continue;
    }
    const QString path = dir.filePath(QString::fromLatin1(face.file));
    if (QFile::exists(path) && QFontDatabase::addApplicationFont(path) >= 0 &&
        !registered.contains(family)) {
      registered << family;
    }
  }
  return registered;
}

QFont LayoutFont(const QString& Family, double Points, bool Bold) {
  QFont font;
  if (HasFamily(Family)) {
    font.setFamily(Family);
  } else {
    font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setStyleHint(QFont::SansSerif);
  }
  font.setPointSizeF(Points);
  font.setBold(Bold);
  return font;
}

QFont BoldFont(const QFont& Font) {
  static QHash<QString, bool> canBold;
  QFont bold = Font;
  bold.setBold(true);
  const QString family = QFontInfo(Font).family();
  auto it = canBold.find(family);
  if (it == canBold.end()) {
    bool able = QFontDatabase::isSmoothlyScalable(family);
    for (const QString& style : QFontDatabase::styles(family)) {
      able = able || QFontDatabase::bold(family, style);
    }
    it = canBold.insert(family, able);
  }
  if (!*it) {
    if (HasFamily(QStringLiteral("Tahoma"))) {
      bold.setFamily(QStringLiteral("Tahoma"));
    } else {
      const QFont system = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
      bold.setFamily(system.family());
    }
  }
  return bold;
}

void CenterOnScreen(QWidget* Window) {
  QScreen* screen = Window->screen() ? Window->screen() : QGuiApplication::primaryScreen();
  if (!screen) {
    return;
  }
  const QRect area = screen->availableGeometry();
  const QRect frame = Window->frameGeometry();
  const QSize size =
      frame.isValid() && frame.width() >= Window->width() ? frame.size() : Window->size();
  Window->move(area.x() + (area.width() - size.width()) / 2,
               area.y() + (area.height() - size.height()) / 2);
}

void ShowApplicationError(QWidget* Parent, const QString& Text) {
  if (Presenter()) {
    Presenter()(Parent, Text);
    return;
  }
  QMessageBox::critical(Parent, QString::fromLatin1(kApplicationTitle), Text);
}

void SetErrorPresenter(std::function<void(QWidget*, const QString&)> NewPresenter) {
  Presenter() = std::move(NewPresenter);
}

QString CurrentExceptionText() {
  try {
    throw;
  } catch (const std::exception& e) {
    return QString::fromUtf8(e.what());
  } catch (...) {
    return QStringLiteral("An unknown error occurred.");
  }
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QString::fromLatin1(kApplicationTitle));
  setOrganizationName(QStringLiteral("Tallyvane"));
  setApplicationDisplayName(QString::fromLatin1(kApplicationTitle));
  setApplicationVersion(QString::fromLatin1(TALLYVANE_VERSION));
  setDesktopFileName(QStringLiteral("tallyvane-journal"));
  EnsureAppResources();
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/icons/tallyvane-journal-%1.png").arg(size), QSize(size, size));
  }
  setWindowIcon(icon);
}

bool TApplication::notify(QObject* Receiver, QEvent* Event) {
  try {
    return QApplication::notify(Receiver, Event);
  } catch (...) {
    ShowApplicationError(activeWindow(), CurrentExceptionText());
    return false;
  }
}

}  // namespace tallyvane
