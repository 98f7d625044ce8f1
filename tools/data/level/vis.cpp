// Visible sets by portal flow. Touching boxes give portals (one rectangle per
// pair, used once in each direction). For every directed portal a flood first
// bounds what could lie beyond it ("might see"): it follows only portals
// partly in front of it with it partly behind them, and clips them by the
// planes that separate it from the portal before, remembering one rectangle
// per portal, so it takes polynomial time. Then the flow walks portal
// sequences out of the portal's leaf: at each step the next portal is clipped
// to the part that a straight line through the source portal and the current
// pass portal can reach (and in front of every pass so far), and the source
// to the part that can reach the clipped portal, so a leaf enters the set
// only while some line may still pass. A branch stops when nothing beyond it
// could be new; a flow that needs too many steps keeps the flood's bound.
//
// Every rounding decision errs towards seeing more: portals are grown a little
// in their plane, clipping keeps a margin beyond each plane, and a separating
// plane is used only when it is well defined and truly separates. Lines that
// graze an edge or run along a wall therefore keep their leafs. Two threads
// share the work; a flow only reads the sets of earlier batches, so the
// result is the same on any number of threads.
#include "tools/data/level/vis.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <deque>
#include <map>
#include <memory>
#include <numeric>
#include <thread>

namespace {

using Vec = std::array<double, 3>;

// Portals grow by this much (units) on every side in their plane.
constexpr double PortalGrowth = 0.5;
// Clipping keeps points up to this far (units) on the discarded side.
constexpr double KeepMargin = 0.01;
// A point this close to a candidate separating plane lies on it.
constexpr double OnPlane = 1e-6;
// No separator from an edge shorter than this, or through a vertex closer
// than this to the edge's line (units): such planes are ill-defined.
constexpr double MinSeparatorSpan = 0.01;
// Clipping a convex polygon adds at most one point; a polygon that would
// outgrow this is left unclipped.
constexpr int MaxPoints = 32;
constexpr int MaxSeparators = 2 * MaxPoints;
// Leafs one portal's flow may enter before it gives up and keeps the
// flood's bound instead.
constexpr int64_t FlowStepBudget = 4000;
// Portals flowed side by side between two looks at the finished sets.
constexpr size_t FlowBatch = 32;

Vec Sub(const Vec& a, const Vec& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
double Dot(const Vec& a, const Vec& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
Vec Cross(const Vec& a, const Vec& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// The plane normal . p = dist; in front is normal . p > dist.
struct Plane {
    Vec normal;
    double dist;
};

// A convex polygon, points in order around it.
struct Winding {
    int count = 0;
    Vec points[MaxPoints];
};

// One direction of a portal: from leaf `from` into leaf `to`, whose side its
// normal faces. The rectangle is lo … hi (lo[axis] == hi[axis]).
struct Portal {
    int32_t from;
    int32_t to;
    int32_t axis;
    int32_t sign; // +1: the normal points along +axis
    int32_t lo[3];
    int32_t hi[3];
    Plane plane;
    Winding winding; // the grown rectangle
};

using Bits = std::vector<uint64_t>;

bool TestBit(const Bits& bits, int32_t i) {
    return (bits[static_cast<size_t>(i) >> 6] >> (i & 63)) & 1;
}
void SetBit(Bits& bits, int32_t i) {
    bits[static_cast<size_t>(i) >> 6] |= uint64_t{1} << (i & 63);
}
int32_t CountBits(const Bits& bits) {
    int32_t count = 0;
    for (uint64_t w : bits) {
        count += __builtin_popcountll(w);
    }
    return count;
}

// Keeps the part of `in` on the front side of the plane, margin included.
// Returns false when nothing is left. `out` may be `in`.
bool ClipWinding(const Winding& in, const Plane& plane, Winding& out) {
    double d[MaxPoints];
    bool anyBehind = false;
    bool anyFront = false;
    for (int i = 0; i < in.count; ++i) {
        d[i] = Dot(plane.normal, in.points[i]) - plane.dist + KeepMargin;
        if (d[i] < 0.0) {
            anyBehind = true;
        } else {
            anyFront = true;
        }
    }
    if (!anyBehind) {
        if (&out != &in) {
            out = in;
        }
        return in.count > 0;
    }
    if (!anyFront) {
        out.count = 0;
        return false;
    }
    Winding result;
    for (int i = 0; i < in.count; ++i) {
        int j = (i + 1) % in.count;
        if (d[i] >= 0.0) {
            result.points[result.count++] = in.points[i];
        }
        if ((d[i] > 0.0 && d[j] < 0.0) || (d[i] < 0.0 && d[j] > 0.0)) {
            if (result.count == MaxPoints) {
                // Too many points to clip: keeping it whole only sees more.
                if (&out != &in) {
                    out = in;
                }
                return true;
            }
            double t = d[i] / (d[i] - d[j]);
            const Vec& a = in.points[i];
            const Vec& b = in.points[j];
            result.points[result.count++] = {a[0] + t * (b[0] - a[0]), a[1] + t * (b[1] - a[1]),
                                             a[2] + t * (b[2] - a[2])};
        }
    }
    out = result;
    return out.count > 0;
}

// Which sides of the plane w reaches: 1 front, 2 back (beyond OnPlane),
// 3 both.
int PlaneSides(const Winding& w, const Vec& normal, double dist) {
    int sides = 0;
    for (int i = 0; i < w.count && sides != 3; ++i) {
        double d = Dot(normal, w.points[i]) - dist;
        if (d > OnPlane) {
            sides |= 1;
        } else if (d < -OnPlane) {
            sides |= 2;
        }
    }
    return sides;
}

// Appends the planes through an edge of one winding and a point of the other
// that have `a` wholly on one side and `b` on the other, facing b. A line
// that meets a and then b stays on b's side of all of them afterwards.
int FindSeparators(const Winding& a, const Winding& b, bool edgesOfB, Plane* planes, int count) {
    const Winding& edges = edgesOfB ? b : a;
    const Winding& points = edgesOfB ? a : b;
    for (int i = 0; i < edges.count; ++i) {
        const Vec& p0 = edges.points[i];
        Vec edge = Sub(edges.points[(i + 1) % edges.count], p0);
        double length = std::sqrt(Dot(edge, edge));
        if (length < MinSeparatorSpan) {
            continue;
        }
        for (int j = 0; j < points.count; ++j) {
            Vec normal = Cross(edge, Sub(points.points[j], p0));
            double area = std::sqrt(Dot(normal, normal));
            if (area < MinSeparatorSpan * length) {
                continue;
            }
            for (double& c : normal) {
                c /= area;
            }
            double dist = Dot(normal, p0);
            int aSides = PlaneSides(a, normal, dist);
            if (aSides == 3) {
                continue;
            }
            int bSides = PlaneSides(b, normal, dist);
            if (bSides == 3 || (aSides | bSides) == 0) {
                continue; // straddles, or both lie in the plane: no separator
            }
            if ((aSides & 1) == 0 && (bSides & 2) == 0) {
                planes[count++] = {normal, dist};
            } else if ((aSides & 2) == 0 && (bSides & 1) == 0) {
                planes[count++] = {{-normal[0], -normal[1], -normal[2]}, -dist};
            } else {
                continue;
            }
            break; // an edge supports at most one separating plane
        }
    }
    return count;
}

int FindAllSeparators(const Winding& a, const Winding& b, Plane* planes) {
    int count = FindSeparators(a, b, false, planes, 0);
    return FindSeparators(a, b, true, planes, count);
}

// Finds every pair of boxes that share a face region of positive area, in a
// fixed order, and returns both directions of each (2k: along +axis, 2k + 1:
// back).
std::vector<Portal> FindPortals(const std::vector<LeafBox>& boxes) {
    std::vector<Portal> portals;
    std::map<int32_t, std::vector<int32_t>> starts[3];
    for (int32_t i = 0; i < static_cast<int32_t>(boxes.size()); ++i) {
        for (int axis = 0; axis < 3; ++axis) {
            assert(boxes[i].mins[axis] < boxes[i].maxs[axis]);
            starts[axis][boxes[i].mins[axis]].push_back(i);
        }
    }
    for (int32_t i = 0; i < static_cast<int32_t>(boxes.size()); ++i) {
        for (int axis = 0; axis < 3; ++axis) {
            auto found = starts[axis].find(boxes[i].maxs[axis]);
            if (found == starts[axis].end()) {
                continue;
            }
            for (int32_t j : found->second) {
                Portal p{};
                p.from = i;
                p.to = j;
                p.axis = axis;
                p.sign = 1;
                bool touching = true;
                for (int k = 0; k < 3; ++k) {
                    p.lo[k] = std::max(boxes[i].mins[k], boxes[j].mins[k]);
                    p.hi[k] = std::min(boxes[i].maxs[k], boxes[j].maxs[k]);
                    if (k != axis && p.hi[k] <= p.lo[k]) {
                        touching = false;
                    }
                }
                if (!touching) {
                    continue;
                }
                p.lo[axis] = p.hi[axis] = boxes[i].maxs[axis];
                int u = (axis + 1) % 3;
                int v = (axis + 2) % 3;
                double corners[4][2] = {{p.lo[u] - PortalGrowth, p.lo[v] - PortalGrowth},
                                        {p.hi[u] + PortalGrowth, p.lo[v] - PortalGrowth},
                                        {p.hi[u] + PortalGrowth, p.hi[v] + PortalGrowth},
                                        {p.lo[u] - PortalGrowth, p.hi[v] + PortalGrowth}};
                p.winding.count = 4;
                for (int c = 0; c < 4; ++c) {
                    Vec& point = p.winding.points[c];
                    point[axis] = p.lo[axis];
                    point[u] = corners[c][0];
                    point[v] = corners[c][1];
                }
                p.plane.normal = {0.0, 0.0, 0.0};
                p.plane.normal[axis] = 1.0;
                p.plane.dist = p.lo[axis];
                Portal back = p;
                std::swap(back.from, back.to);
                back.sign = -1;
                back.plane.normal[axis] = -1.0;
                back.plane.dist = -p.plane.dist;
                portals.push_back(p);
                portals.push_back(back);
            }
        }
    }
    return portals;
}

// Whether a line through q and then r may exist, judged by planes alone: r
// reaches the front of q's plane and q reaches the back of r's (both closed,
// and exact on the integer rectangles).
bool MightPass(const Portal& q, const Portal& r) {
    int32_t qc = q.lo[q.axis];
    int32_t rc = r.lo[r.axis];
    bool rInFront = q.sign > 0 ? r.hi[q.axis] >= qc : r.lo[q.axis] <= qc;
    bool qBehind = r.sign > 0 ? q.lo[r.axis] <= rc : q.hi[r.axis] >= rc;
    return rInFront && qBehind;
}

// Snapping step (units) of the flood's rectangles: they only grow outwards
// by whole steps, so the flood ends.
constexpr double ReachSnap = 0.125;

// An axis-aligned rectangle (a box with one flat axis), or nothing yet.
struct Rect {
    bool any;
    double lo[3];
    double hi[3];
};

// Widens rect to hold w, snapped outwards; true when it grew.
bool GrowRect(Rect& rect, const Winding& w) {
    double lo[3], hi[3];
    for (int k = 0; k < 3; ++k) {
        lo[k] = hi[k] = w.points[0][k];
        for (int i = 1; i < w.count; ++i) {
            lo[k] = std::min(lo[k], w.points[i][k]);
            hi[k] = std::max(hi[k], w.points[i][k]);
        }
        lo[k] = std::floor(lo[k] / ReachSnap) * ReachSnap;
        hi[k] = std::ceil(hi[k] / ReachSnap) * ReachSnap;
    }
    if (!rect.any) {
        rect.any = true;
        std::copy(lo, lo + 3, rect.lo);
        std::copy(hi, hi + 3, rect.hi);
        return true;
    }
    bool grew = false;
    for (int k = 0; k < 3; ++k) {
        if (lo[k] < rect.lo[k]) {
            rect.lo[k] = lo[k];
            grew = true;
        }
        if (hi[k] > rect.hi[k]) {
            rect.hi[k] = hi[k];
            grew = true;
        }
    }
    return grew;
}

// The rectangle as a polygon in portal p's plane.
Winding RectWinding(const Rect& rect, const Portal& p) {
    int u = (p.axis + 1) % 3;
    int v = (p.axis + 2) % 3;
    double corners[4][2] = {{rect.lo[u], rect.lo[v]},
                            {rect.hi[u], rect.lo[v]},
                            {rect.hi[u], rect.hi[v]},
                            {rect.lo[u], rect.hi[v]}};
    Winding w;
    w.count = 4;
    for (int c = 0; c < 4; ++c) {
        w.points[c][p.axis] = p.lo[p.axis];
        w.points[c][u] = corners[c][0];
        w.points[c][v] = corners[c][1];
    }
    return w;
}

// What the flood knows of a portal for one base portal: where lines from the
// base may cross it, and from which part of the base they start.
struct Reach {
    Rect pass;
    Rect source;
};

// Scratch space for MightSeeFlood, reused across base portals.
struct MightSeeScratch {
    std::vector<Reach> reach;
    std::vector<uint8_t> queued;
    std::vector<int32_t> touched;
    std::deque<int32_t> queue;
};

// The leafs that a line through portal q could reach (q's own leaf
// included). A flood that keeps, per portal, the rectangle where such lines
// cross it and the rectangle of q they come from; each portal's pair is
// widened by whatever lines through its predecessors' pairs can reach, until
// nothing grows. Unlike the flow it merges all sequences that end at the
// same portal, so it sees more, but it takes polynomial time. Lines back
// into q's own leaf are not followed: a line leaves a box once.
Bits MightSeeFlood(const std::vector<Portal>& portals,
                   const std::vector<std::vector<int32_t>>& leafPortals, int32_t qi, size_t words,
                   MightSeeScratch& scratch) {
    const Portal& q = portals[static_cast<size_t>(qi)];
    auto offer = [&](int32_t ri, const Winding& pass, const Winding& source) {
        Reach& reach = scratch.reach[static_cast<size_t>(ri)];
        if (!reach.pass.any) {
            scratch.touched.push_back(ri);
        }
        bool grew = GrowRect(reach.pass, pass);
        grew = GrowRect(reach.source, source) || grew;
        if (grew && !scratch.queued[static_cast<size_t>(ri)]) {
            scratch.queued[static_cast<size_t>(ri)] = 1;
            scratch.queue.push_back(ri);
        }
    };
    Winding pass;
    Winding source;
    for (int32_t ri : leafPortals[static_cast<size_t>(q.to)]) {
        const Portal& r = portals[static_cast<size_t>(ri)];
        Plane behind{{-r.plane.normal[0], -r.plane.normal[1], -r.plane.normal[2]}, -r.plane.dist};
        if (r.to != q.from && MightPass(q, r) && ClipWinding(r.winding, q.plane, pass) &&
            ClipWinding(q.winding, behind, source)) {
            offer(ri, pass, source);
        }
    }
    Plane separators[MaxSeparators];
    Plane back[MaxSeparators];
    while (!scratch.queue.empty()) {
        int32_t pi = scratch.queue.front();
        scratch.queue.pop_front();
        scratch.queued[static_cast<size_t>(pi)] = 0;
        const Portal& p = portals[static_cast<size_t>(pi)];
        const Reach& reach = scratch.reach[static_cast<size_t>(pi)];
        Winding pWinding = RectWinding(reach.pass, p);
        Winding qWinding = RectWinding(reach.source, q);
        int separatorCount = FindAllSeparators(qWinding, pWinding, separators);
        for (int32_t ri : leafPortals[static_cast<size_t>(p.to)]) {
            const Portal& r = portals[static_cast<size_t>(ri)];
            if (r.to == q.from || !MightPass(q, r) || !ClipWinding(r.winding, q.plane, pass) ||
                !ClipWinding(pass, p.plane, pass)) {
                continue;
            }
            bool open = true;
            for (int s = 0; s < separatorCount && open; ++s) {
                open = ClipWinding(pass, separators[s], pass);
            }
            Plane behind{{-r.plane.normal[0], -r.plane.normal[1], -r.plane.normal[2]},
                         -r.plane.dist};
            open = open && ClipWinding(qWinding, behind, source);
            int backCount = open ? FindAllSeparators(pass, pWinding, back) : 0;
            for (int s = 0; s < backCount && open; ++s) {
                open = ClipWinding(source, back[s], source);
            }
            if (open) {
                offer(ri, pass, source);
            }
        }
    }
    Bits seen(words, 0);
    SetBit(seen, q.to);
    for (int32_t ri : scratch.touched) {
        SetBit(seen, portals[static_cast<size_t>(ri)].to);
        scratch.reach[static_cast<size_t>(ri)] = Reach{};
    }
    scratch.touched.clear();
    return seen;
}

// One step of the flow: the source (narrowed so far), the pass portal that
// led here, the box in front of every pass so far (a line crosses each pass
// forwards and stays in front of it) and the leafs still reachable.
struct FlowStep {
    Winding source;
    Winding pass;
    Plane passPlane;
    double frontLo[3];
    double frontHi[3];
    Bits might;
    Plane separators[MaxSeparators];
    int separatorCount;
};

struct FlowState {
    const std::vector<Portal>* portals;
    const std::vector<std::vector<int32_t>>* leafPortals;
    const std::vector<Bits>* mightSee;
    const std::vector<Bits>* portalVis;
    const std::vector<uint8_t>* done;
    size_t words;
    Bits* vis;                                    // the current portal's set
    int64_t stepsLeft;                            // below 0: the flow gave up
    std::vector<uint8_t> onPath;                  // leafs on the current sequence
    std::vector<std::unique_ptr<FlowStep>> steps; // by depth
};

FlowStep& StepAt(FlowState& state, size_t depth) {
    while (state.steps.size() <= depth) {
        state.steps.push_back(std::make_unique<FlowStep>());
        state.steps.back()->might.assign(state.words, 0);
    }
    return *state.steps[depth];
}

// Keeps the part of w inside the box lo … hi (margin included).
bool ClipToBox(Winding& w, const double lo[3], const double hi[3]) {
    for (int k = 0; k < 3; ++k) {
        double low = w.points[0][k];
        double high = low;
        for (int i = 1; i < w.count; ++i) {
            low = std::min(low, w.points[i][k]);
            high = std::max(high, w.points[i][k]);
        }
        Plane plane{{0.0, 0.0, 0.0}, 0.0};
        if (low < lo[k] - KeepMargin) {
            plane.normal[k] = 1.0;
            plane.dist = lo[k];
            if (!ClipWinding(w, plane, w)) {
                return false;
            }
        }
        if (high > hi[k] + KeepMargin) {
            plane.normal[k] = -1.0;
            plane.dist = -hi[k];
            if (!ClipWinding(w, plane, w)) {
                return false;
            }
        }
    }
    return true;
}

// Marks leaf and follows every portal out of it that some line through the
// source and the pass (at depth 0: the source alone) may still reach.
void RecursiveFlow(FlowState& state, int32_t leaf, size_t depth) {
    if (--state.stepsLeft < 0) {
        return;
    }
    SetBit(*state.vis, leaf);
    state.onPath[static_cast<size_t>(leaf)] = 1;
    FlowStep& step = StepAt(state, depth);
    FlowStep& next = StepAt(state, depth + 1);
    if (depth > 0) {
        step.separatorCount = FindAllSeparators(step.source, step.pass, step.separators);
    }
    const Bits& vis = *state.vis;
    for (int32_t ri : (*state.leafPortals)[static_cast<size_t>(leaf)]) {
        const Portal& r = (*state.portals)[static_cast<size_t>(ri)];
        if (state.onPath[static_cast<size_t>(r.to)] || !TestBit(step.might, r.to)) {
            continue;
        }
        // Skip the portal when nothing beyond it could still be new.
        const Bits& beyond = (*state.done)[static_cast<size_t>(ri)]
                                 ? (*state.portalVis)[static_cast<size_t>(ri)]
                                 : (*state.mightSee)[static_cast<size_t>(ri)];
        uint64_t more = 0;
        for (size_t w = 0; w < state.words; ++w) {
            next.might[w] = step.might[w] & beyond[w];
            more |= next.might[w] & ~vis[w];
        }
        if (more == 0) {
            continue;
        }
        next.pass = r.winding;
        if (!ClipToBox(next.pass, step.frontLo, step.frontHi)) {
            continue;
        }
        next.passPlane = r.plane;
        std::copy(step.frontLo, step.frontLo + 3, next.frontLo);
        std::copy(step.frontHi, step.frontHi + 3, next.frontHi);
        double coordinate = r.lo[r.axis];
        if (r.sign > 0) {
            next.frontLo[r.axis] = std::max(next.frontLo[r.axis], coordinate);
        } else {
            next.frontHi[r.axis] = std::min(next.frontHi[r.axis], coordinate);
        }
        // The source keeps what lies behind the new portal: a line crosses it
        // forwards.
        Plane behind{{-r.plane.normal[0], -r.plane.normal[1], -r.plane.normal[2]}, -r.plane.dist};
        if (!ClipWinding(step.source, behind, next.source)) {
            continue;
        }
        if (depth == 0) {
            RecursiveFlow(state, r.to, depth + 1);
            continue;
        }
        bool open = true;
        for (int s = 0; s < step.separatorCount && open; ++s) {
            open = ClipWinding(next.pass, step.separators[s], next.pass);
        }
        if (!open) {
            continue;
        }
        // Narrow the source to what can see the clipped portal through the
        // pass.
        Plane back[MaxSeparators];
        int backCount = FindAllSeparators(next.pass, step.pass, back);
        for (int s = 0; s < backCount && open; ++s) {
            open = ClipWinding(next.source, back[s], next.source);
        }
        if (open) {
            RecursiveFlow(state, r.to, depth + 1);
        }
        if (state.stepsLeft < 0) {
            break;
        }
    }
    state.onPath[static_cast<size_t>(leaf)] = 0;
}

void SetRowBit(std::vector<uint8_t>& row, size_t leaf) {
    row[leaf >> 3] = static_cast<uint8_t>(row[leaf >> 3] | (1u << (leaf & 7)));
}

// Runs the flow of portal pi into portalVis[pi]; falls back on the flood's
// set when the flow runs out of steps.
void FlowPortal(FlowState& state, int32_t pi, std::vector<Bits>& portalVis) {
    const Portal& p = (*state.portals)[static_cast<size_t>(pi)];
    state.vis = &portalVis[static_cast<size_t>(pi)];
    FlowStep& first = StepAt(state, 0);
    first.source = p.winding;
    first.might = (*state.mightSee)[static_cast<size_t>(pi)];
    for (int k = 0; k < 3; ++k) {
        first.frontLo[k] = -HUGE_VAL;
        first.frontHi[k] = HUGE_VAL;
    }
    if (p.sign > 0) {
        first.frontLo[p.axis] = p.lo[p.axis];
    } else {
        first.frontHi[p.axis] = p.lo[p.axis];
    }
    state.onPath[static_cast<size_t>(p.from)] = 1;
    state.stepsLeft = FlowStepBudget;
    RecursiveFlow(state, p.to, 0);
    state.onPath[static_cast<size_t>(p.from)] = 0;
    if (state.stepsLeft < 0) {
        portalVis[static_cast<size_t>(pi)] = (*state.mightSee)[static_cast<size_t>(pi)];
    }
}

// Calls work(item, worker) for item 0 … count − 1 on up to two threads, item
// i always on worker i % workers. The items must not depend on each other.
template <typename Work> void ForEachItem(size_t count, int workers, const Work& work) {
    if (workers < 2 || count < 2) {
        for (size_t i = 0; i < count; ++i) {
            work(i, 0);
        }
        return;
    }
    std::thread helper([&] {
        for (size_t i = 1; i < count; i += 2) {
            work(i, 1);
        }
    });
    for (size_t i = 0; i < count; i += 2) {
        work(i, 0);
    }
    helper.join();
}

} // namespace

LevelVisibility ComputeLevelVisibility(const std::vector<LeafBox>& boxes) {
    size_t n = boxes.size();
    size_t words = (n + 63) / 64;
    std::vector<Portal> portals = FindPortals(boxes);
    std::vector<std::vector<int32_t>> leafPortals(n);
    for (size_t i = 0; i < portals.size(); ++i) {
        leafPortals[static_cast<size_t>(portals[i].from)].push_back(static_cast<int32_t>(i));
    }
    int workers = std::thread::hardware_concurrency() >= 2 ? 2 : 1;

    std::vector<Bits> mightSee(portals.size());
    MightSeeScratch scratch[2];
    for (MightSeeScratch& s : scratch) {
        s.reach.assign(portals.size(), Reach{});
        s.queued.assign(portals.size(), 0);
    }
    ForEachItem(portals.size(), workers, [&](size_t qi, int worker) {
        mightSee[qi] =
            MightSeeFlood(portals, leafPortals, static_cast<int32_t>(qi), words, scratch[worker]);
    });

    // Portals that might see least go first, so that their finished sets
    // bound the later, wider flows. A batch only uses the sets of earlier
    // batches, so the result does not depend on the threads' timing.
    std::vector<int32_t> order(portals.size());
    std::iota(order.begin(), order.end(), 0);
    std::vector<int32_t> weight(portals.size());
    for (size_t i = 0; i < portals.size(); ++i) {
        weight[i] = CountBits(mightSee[i]);
    }
    std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
        return weight[static_cast<size_t>(a)] < weight[static_cast<size_t>(b)];
    });
    std::vector<Bits> portalVis(portals.size(), Bits(words, 0));
    std::vector<uint8_t> done(portals.size(), 0);
    FlowState states[2];
    for (FlowState& state : states) {
        state.portals = &portals;
        state.leafPortals = &leafPortals;
        state.mightSee = &mightSee;
        state.portalVis = &portalVis;
        state.done = &done;
        state.words = words;
        state.onPath.assign(n, 0);
    }
    for (size_t start = 0; start < order.size(); start += FlowBatch) {
        size_t count = std::min(FlowBatch, order.size() - start);
        ForEachItem(count, workers, [&](size_t i, int worker) {
            FlowPortal(states[worker], order[start + i], portalVis);
        });
        for (size_t i = 0; i < count; ++i) {
            done[static_cast<size_t>(order[start + i])] = 1;
        }
    }

    LevelVisibility result;
    result.portalCount = static_cast<int32_t>(portals.size() / 2);
    result.rows.assign(n, std::vector<uint8_t>((n + 7) / 8, 0));
    for (size_t leaf = 0; leaf < n; ++leaf) {
        Bits seen(words, 0);
        SetBit(seen, static_cast<int32_t>(leaf));
        for (int32_t pi : leafPortals[leaf]) {
            const Bits& through = portalVis[static_cast<size_t>(pi)];
            for (size_t w = 0; w < words; ++w) {
                seen[w] |= through[w];
            }
        }
        // Whatever a leaf sees, sees it back: a line runs both ways.
        for (size_t other = 0; other < n; ++other) {
            if (TestBit(seen, static_cast<int32_t>(other))) {
                SetRowBit(result.rows[leaf], other);
                SetRowBit(result.rows[other], leaf);
            }
        }
    }
    return result;
}

std::vector<uint8_t> CompressVisRow(const std::vector<uint8_t>& row) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < row.size();) {
        if (row[i] != 0) {
            out.push_back(row[i++]);
            continue;
        }
        size_t run = 0;
        while (i < row.size() && row[i] == 0 && run < 255) {
            ++run;
            ++i;
        }
        out.push_back(0);
        out.push_back(static_cast<uint8_t>(run));
    }
    return out;
}
