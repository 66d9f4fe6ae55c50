// The right to restart Windows. NT grants it to a process only on request;
// Windows 95 has no privileges at all, and the token functions of advapi32
// are not among its documented exports, so the program never imports them:
// they are looked up at run time, and where they are missing nothing is
// needed.
#pragma once

namespace qm {

// Enables SeShutdownPrivilege in this process's token where the system has
// privileges; quietly does nothing where it has none or refuses.
void EnableShutdownPrivilege();

}  // namespace qm
