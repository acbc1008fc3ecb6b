// Design-time registration of the library's components: built only for the design-time host,
// never linked into a program.
#pragma once

namespace qel {

/// Puts the library's components on the palette page "Varnel" and gives each of them the
/// library's component editor. Called once by the design-time host.
void Register();

}  // namespace qel
