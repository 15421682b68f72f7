#pragma once
// Windows has no fork(): a test that needs a second process runs this test
// program again for one hidden test ("StorageFileChild.DISABLED_<name>"),
// which reads its argument from the environment. The child tells the parent
// that it reached a point through a named event.
#if defined(_WIN32)
#include <string>

namespace tallyvane::testing {

class ChildTest {
 public:
  // Starts the child test `name` with `argument` in its environment.
  ChildTest(const std::string& name, const std::string& argument);
  ~ChildTest();
  ChildTest(const ChildTest&) = delete;
  ChildTest& operator=(const ChildTest&) = delete;

  bool started() const;
  // Waits until the child calls signalParent(); false after `milliseconds`.
  bool waitForSignal(unsigned milliseconds);
  // Ends the child at once, as a kill does.
  void kill();
  // Waits for the child to end; its exit code (0: its test passed).
  unsigned long wait();

  // In the child: the argument, and the signal to the parent.
  static std::string argument();
  static void signalParent();

 private:
  void* process_ = nullptr;
  void* event_ = nullptr;
};

}  // namespace tallyvane::testing
#endif
