#include "Snapshots.h"

namespace tidemark::snapshots {

void renderTraySnapshots(const QDir&) {}

}  // namespace tidemark::snapshots
