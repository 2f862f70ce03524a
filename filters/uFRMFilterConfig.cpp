#include "filters/uFRMFilterConfig.h"

#include "filters/FilterDocument.h"

namespace kolvar {

void ExecuteFilterCommand(QWidget*, int, TFilterDocument&) {}

} // namespace kolvar
