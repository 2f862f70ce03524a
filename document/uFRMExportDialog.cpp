#include "document/uFRMExportDialog.h"

namespace kolvar {

void ShowExportDialog(QWidget*, const TDibContainer&) {}

} // namespace kolvar
