// One step of a route: the edge taken and the terminal it reaches.
#pragma once

namespace kivgta {

template <typename TerminalNodeType, typename EdgeNodeType>
struct PathSegment {
  EdgeNodeType* edge;
  TerminalNodeType* terminal;
};

}  // namespace kivgta
