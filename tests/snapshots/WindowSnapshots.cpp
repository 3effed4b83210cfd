#include "Snapshots.h"

namespace tidemark::snapshots {

void renderWindowSnapshots(const QDir&) {}

}  // namespace tidemark::snapshots
