// The default folder set of a validated store and the pointers that designate it
// ([MS-OXOSFLD] 2.2, [MS-PST] 2.4.3): what validating the IPM tree creates.
#pragma once

namespace mailferry::pst {

class PstStore;

class DefaultFolders {
 public:
  static void validate(PstStore& store);
};

}  // namespace mailferry::pst
