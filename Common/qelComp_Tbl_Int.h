// Helpers shared by the sources of the table unit. Not part of the library's interface.
//
// A few kinds the column and table texts read (domains, indexes, routines, generators) are
// still growing their own fields. The accessors below read those fields once the kinds have
// them and fall back to "not given" until then, so the texts here never need to change when
// the kinds do.
#pragma once

#include <concepts>
#include <cstdint>
#include <string>

#include "qelCompObj.h"

namespace qel::tbl_detail {

/// "(" + N + ")".
inline std::string InParens(std::int32_t N) {
  return "(" + std::to_string(N) + ")";
}

/// "(" + P + "," + S + ")".
inline std::string InParens(std::int32_t P, std::int32_t S) {
  return "(" + std::to_string(P) + "," + std::to_string(S) + ")";
}

/// The type descriptor of a domain, or nullptr.
template <class TDmn>
const TFldData* DomainDescriptor(const TDmn* D) {
  if (!D) return nullptr;
  if constexpr (requires {
                  { D->TypeField.get() } -> std::convertible_to<const TFldData*>;
                })
    return D->TypeField.get();
  else if constexpr (requires {
                       { D->TypeField } -> std::convertible_to<const TFldData*>;
                     })
    return D->TypeField;
  else if constexpr (requires {
                       { &D->TypeField } -> std::convertible_to<const TFldData*>;
                     })
    return &D->TypeField;
  else
    return nullptr;
}

/// The quoted column list of an index ("a, b"); empty while the index knows no columns.
template <class TIdx>
std::string IndexColumns(const TIdx& I) {
  if constexpr (requires {
                  { I.GetFlds() } -> std::convertible_to<std::string>;
                })
    return I.GetFlds();
  else
    return std::string();
}

/// The routine writes direction words before its parameter names.
template <class TPrc>
bool LeadingDirectionWords(const TPrc& P) {
  if constexpr (requires {
                  { P.InOutFirst } -> std::convertible_to<bool>;
                })
    return P.InOutFirst;
  else
    return false;
}

/// The identity options of a generator (" (START WITH ...)"); empty while it has none.
template <class TGnr>
std::string IdentityOptions(const TGnr& G) {
  if constexpr (requires {
                  { G.ParamDef() } -> std::convertible_to<std::string>;
                })
    return G.ParamDef();
  else
    return std::string();
}

}  // namespace qel::tbl_detail
