// What the agglomerative trees (the gene and sample clustering, the arrays' display order)
// log when a merge finds no closest pair, the user stops, or the leaf order does not add up.
#pragma once

inline constexpr const char* kNoClosestPairMessage = "    Error: min_dist == MISSING";
inline constexpr const char* kTreeStopMessage = "    User stop command issued";
// printf forms with the node.
inline constexpr const char* kOrderRangeMessage =
    "    Error: start != end when assigning order of node %d";
inline constexpr const char* kOrderWeightMessage = "    Error: weight incorrect for node %d";
inline constexpr const char* kAssignOrderFailedMessage = "    Error when assigning order";
