// The licence agreement LICENSE shows: one text in the Windows code page, its
// lines separated by CR LF.
#pragma once

namespace qm {

extern const char kLicenseAgreement[];

}  // namespace qm
