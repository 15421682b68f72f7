#pragma once
// What the program needs before and around its window: the fonts its layouts
// name, the closest font where one is missing, and the application object that
// shows the errors escaping a command in a message box.
#include <QApplication>
#include <QFont>
#include <QString>
#include <exception>
#include <functional>

class QWidget;

namespace tallyvane {

inline constexpr const char* kApplicationTitle = "Tallyvane Journal";

// Registers the program's pictures (icon, About background) with Qt's resources.
void EnsureAppResources();

// Registers the free metric-compatible "Tahoma" and "MS Sans Serif" that come
// with Wine (/usr/share/wine/fonts) with the application, for each family the
// system lacks. Returns the families registered.
QStringList RegisterFallbackFonts(const QString& Folder = QStringLiteral("/usr/share/wine/fonts"));

// The font `Family` at `Points` points, or the closest the system has: the
// system's general sans-serif font at the same size where the family is missing.
QFont LayoutFont(const QString& Family, double Points, bool Bold = false);

// Moves a top-level window to the centre of the screen it is on (frame included).
void CenterOnScreen(QWidget* Window);

// The bold variant of `Font`. A family without a bold face that cannot be
// emboldened either (a bitmap font such as Wine's "MS Sans Serif") gives way to
// "Tahoma" bold, its closest relative, at the same size.
QFont BoldFont(const QFont& Font);

// Shows an error that escaped a command: a message box with the error's text
// (the application title as its caption), parented to `Parent`.
void ShowApplicationError(QWidget* Parent, const QString& Text);

// Replaces how errors are shown (tests record them instead of opening a modal
// box); an empty function restores the message box.
void SetErrorPresenter(std::function<void(QWidget* Parent, const QString& Text)> Presenter);

// The text of the exception in flight (call from a catch block).
QString CurrentExceptionText();

// Runs a command; an error that escapes it is shown and the program goes on.
template <class Command>
void RunCommand(QWidget* Parent, Command&& command) {
  try {
    command();
  } catch (...) {
    ShowApplicationError(Parent, CurrentExceptionText());
  }
}

// The application object: its title is the program's, and an error that
// escapes an event handler is shown in a message box instead of ending the
// program.
class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* Receiver, QEvent* Event) override;
};

}  // namespace tallyvane
