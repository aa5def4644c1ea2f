// Core code over Qt.
#include <QString>
