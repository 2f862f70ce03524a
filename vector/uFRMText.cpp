#include "vector/uFRMText.h"

namespace kolvar {

bool ShowTextDialog(QWidget*) {
    return true;
}

} // namespace kolvar
