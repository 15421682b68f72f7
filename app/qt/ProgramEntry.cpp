// Program start: the application object, the fonts the layouts name, the main
// window, and the message loop. `tallyvane-journal FILE|DIR` opens that log
// instead of this computer's.
#include <QCoreApplication>
#include <QStringList>
#include <QTimer>
#include <clocale>

#include "app/qt/AppStart.h"
#include "app/qt/Main.h"
#include "app/common/SnapshotTexts.h"
#include "present/FormatSettings.h"

int main(int argc, char** argv) {
  using namespace tallyvane;
  // Dates, times and numbers follow the user's locale.
  std::setlocale(LC_ALL, "");
  TApplication app(argc, argv);
  RegisterFallbackFonts();
  std::unique_ptr<Twnd_Main> window;
  RunCommand(nullptr, [&] {
    std::optional<JournalSource> initial;
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1) {
      initial = LogSourceAt(args.at(1));
    }
    window = std::make_unique<Twnd_Main>(platform::systemServices(), CurrentSnapshotTexts(),
                                         UserFormatSettings(), nullptr, std::move(initial));
    window->show();
  });
  if (!window) {
    return 1;
  }
  return app.exec();
}
