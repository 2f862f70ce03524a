#include "app/uFRMPrint.h"

namespace kolvar {

void ShowPrintDialog(QWidget*, const TDibContainer&) {}

} // namespace kolvar
