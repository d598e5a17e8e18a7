#pragma once

namespace deskmap {

// Combines lambdas into one visitor for std::visit.
template <class... Visitors> struct Overloaded : Visitors... { using Visitors::operator()...; };
// Spelled out: clang 16 does not deduce aggregate template arguments.
template <class... Visitors> Overloaded(Visitors...) -> Overloaded<Visitors...>;

} // namespace deskmap
