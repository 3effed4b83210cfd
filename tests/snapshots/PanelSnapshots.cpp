#include "Snapshots.h"

namespace tidemark::snapshots {

void renderPanelSnapshots(const QDir&) {}

}  // namespace tidemark::snapshots
