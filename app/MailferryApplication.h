// The application object: every event handler runs inside notify(), so an error that
// escapes a handler ends here in the uniform report instead of aborting the process.
#pragma once

#include <QApplication>

namespace mailferry::app {

class MailferryApplication : public QApplication {
  Q_OBJECT

 public:
  MailferryApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;

 private:
  bool reporting_ = false;
};

}  // namespace mailferry::app
