// Numira's entry: the locale separators, the main window, the event loop.
// Showing the window runs its show handler, which applies the view mode and
// clears the engine.

#include <QApplication>

#include "app/Kelto_.h"
#include "core/numtext.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  numira::LoadSeparators();
  numira::TForm1 Form1;
  Form1.show();
  return QApplication::exec();
}
