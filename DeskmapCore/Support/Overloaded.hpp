#pragma once

namespace deskmap {

// Combines lambdas into one visitor for std::visit.
template <class... Visitors> struct Overloaded : Visitors... { using Visitors::operator()...; };

} // namespace deskmap
