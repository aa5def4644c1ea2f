// A runtime class showing a window.
#include <QMessageBox>
