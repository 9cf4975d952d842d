// B-tree indexes: search, current positions, insertion with redistribution and splits,
// deletion with predecessor replacement, borrowing, merging and root collapse.
//
// Pages are decoded into a Node, changed, and encoded back through pageWrite, which captures
// the page's before-image the first time it changes in a transaction. Searches read the
// pool's bytes directly.
#include <algorithm>
#include <cstring>

#include "storage/engine.h"

namespace liga::storage {
namespace {

constexpr int kMaxDepth = 48;

// Left uninitialised by default: a Node's items beyond its count are never read, and
// clearing the 64 items of every Node on the stack cost more than the edits themselves.
// makeItem and decodeItem set every field, the key bytes past the key's length to zero.
struct Item {
  std::int32_t ref;
  std::int32_t right;
  std::uint8_t len;
  std::uint8_t key[kMaxKeyLen];
};

struct Node {
  int n = 0;
  std::int32_t left = 0;
  Item items[kMaxItems + 2];

  void insert(int pos, const Item& it) {
    for (int i = n; i > pos; --i) items[i] = items[i - 1];
    items[pos] = it;
    ++n;
  }
  void erase(int pos) {
    for (int i = pos; i + 1 < n; ++i) items[i] = items[i + 1];
    --n;
  }
};

Status corrupt() {
  return err(isam_error::kCorruptChain);
}

struct Arg {
  const std::uint8_t* key;
  int len;
  std::int32_t ref;
  bool useRef;
};

int compareKeys(const std::uint8_t* a, int alen, const std::uint8_t* b, int blen) {
  int c = std::memcmp(a, b, static_cast<std::size_t>(std::min(alen, blen)));
  if (c != 0) return c < 0 ? -1 : 1;
  return alen < blen ? -1 : (alen > blen ? 1 : 0);
}

// Compares the argument with the item at `p` (raw item bytes).
int compareArg(const Arg& a, const std::uint8_t* p) {
  int c = compareKeys(a.key, a.len, p + 9, p[8]);
  if (c != 0 || !a.useRef) return c;
  std::int32_t r = rd32(p);
  return a.ref < r ? -1 : (a.ref > r ? 1 : 0);
}

IndexState& state(FileBlock& fb, int k) {
  return fb.ix[k - 1];
}

bool pageInRange(const IndexState& is, std::int32_t page) {
  return page >= 1 && page <= is.hdr.numPages;
}

// Reads the raw page and checks its item count and key lengths. `emptyOk` accepts a page
// without items: one this operation just emptied, on its way to be refilled or merged (with
// 2 or 3 items per page a page other than the root may hold a single item). Only a page
// holding items counts as validated for later reads.
Status readChecked(FileBlock& fb, int k, std::int32_t page, const std::uint8_t** out,
                   bool emptyOk = false) {
  const IndexState& is = state(fb, k);
  if (!pageInRange(is, page)) return corrupt();
  bool* verified = nullptr;
  if (Status s = pageRead(fb, k, page, out, &verified); !s.ok()) return s;
  if (*verified) return okStatus();
  int n = rd16(*out);
  if (n < (emptyOk ? 0 : 1) || n > is.maxItems) return corrupt();
  for (int i = 0; i < n; ++i) {
    if ((*out)[6 + i * is.stride + 8] > is.keyLen) return corrupt();
  }
  *verified = n >= 1;
  return okStatus();
}

// Items are copied between a page and a Node with their key bytes beyond the key's length
// zeroed, so a page that is written back holds no stale key bytes.
void encodeItem(const IndexState& is, std::uint8_t* q, const Item& it) {
  wr32(q, it.ref);
  wr32(q + 4, it.right);
  q[8] = it.len;
  std::memcpy(q + 9, it.key, static_cast<std::size_t>(is.keyLen));
}

void decodeItem(const std::uint8_t* q, Item* it) {
  it->ref = rd32(q);
  it->right = rd32(q + 4);
  it->len = q[8];
  // A fixed-size copy: the page buffer holds a whole page, so the bytes past a short key
  // (the next item's) are readable; they are cleared below.
  std::memcpy(it->key, q + 9, sizeof it->key);
  for (int j = it->len; j < kMaxKeyLen; ++j) it->key[j] = 0;
}

Status loadNode(FileBlock& fb, int k, std::int32_t page, Node* node, bool emptyOk = false) {
  const std::uint8_t* p = nullptr;
  if (Status s = readChecked(fb, k, page, &p, emptyOk); !s.ok()) return s;
  const IndexState& is = state(fb, k);
  node->n = rd16(p);
  node->left = rd32(p + 2);
  for (int i = 0; i < node->n; ++i) decodeItem(p + 6 + i * is.stride, &node->items[i]);
  return okStatus();
}

Status storeNode(FileBlock& fb, int k, std::int32_t page, const Node& node) {
  std::uint8_t* p = nullptr;
  if (Status s = pageWrite(fb, k, page, &p); !s.ok()) return s;
  const IndexState& is = state(fb, k);
  wr16(p, static_cast<std::int16_t>(node.n));
  wr32(p + 2, node.left);
  for (int i = 0; i < node.n; ++i) encodeItem(is, p + 6 + i * is.stride, node.items[i]);
  pageMarkDirty(fb, k, page, 6 + node.n * is.stride);
  return okStatus();
}

// The number of items on a checked page.
Status itemCount(FileBlock& fb, int k, std::int32_t page, int* n, bool emptyOk = false) {
  const std::uint8_t* p = nullptr;
  if (Status s = readChecked(fb, k, page, &p, emptyOk); !s.ok()) return s;
  *n = rd16(p);
  return okStatus();
}

// Edits of one page in place, without decoding it into a Node: the common insertion into a
// page with room and removal from a page. They leave the same bytes storeNode would. Each
// takes a page that was just read through readChecked; one that still holds items afterwards
// stays validated, so the next read need not check its items again.
// Inserts `it` (its key no longer than the index's) as item `pos` (0-based) of a page with
// room for it.
Status insertItemAt(FileBlock& fb, int k, std::int32_t page, int pos, const Item& it) {
  std::uint8_t* p = nullptr;
  bool* verified = nullptr;
  if (Status s = pageWrite(fb, k, page, &p, &verified); !s.ok()) return s;
  const IndexState& is = state(fb, k);
  const int n = rd16(p);
  std::uint8_t* q = p + 6 + pos * is.stride;
  std::memmove(q + is.stride, q, static_cast<std::size_t>((n - pos) * is.stride));
  encodeItem(is, q, it);
  wr16(p, static_cast<std::int16_t>(n + 1));
  pageMarkDirty(fb, k, page, 6 + (n + 1) * is.stride);
  *verified = true;
  return okStatus();
}

// Removes item `pos` (0-based).
Status eraseItemAt(FileBlock& fb, int k, std::int32_t page, int pos) {
  std::uint8_t* p = nullptr;
  bool* verified = nullptr;
  if (Status s = pageWrite(fb, k, page, &p, &verified); !s.ok()) return s;
  const IndexState& is = state(fb, k);
  const int n = rd16(p);
  std::uint8_t* q = p + 6 + pos * is.stride;
  std::memmove(q, q + is.stride, static_cast<std::size_t>((n - pos - 1) * is.stride));
  wr16(p, static_cast<std::int16_t>(n - 1));
  pageMarkDirty(fb, k, page, 6 + (n - 1) * is.stride);
  *verified = n > 1;  // an empty page is only valid as a root about to give way
  return okStatus();
}

// Overwrites item `pos` (0-based) with `it` (its key no longer than the index's).
Status replaceItemAt(FileBlock& fb, int k, std::int32_t page, int pos, const Item& it) {
  std::uint8_t* p = nullptr;
  bool* verified = nullptr;
  if (Status s = pageWrite(fb, k, page, &p, &verified); !s.ok()) return s;
  const IndexState& is = state(fb, k);
  encodeItem(is, p + 6 + pos * is.stride, it);
  pageMarkDirty(fb, k, page, 6 + rd16(p) * is.stride);
  *verified = true;
  return okStatus();
}

Status allocPage(FileBlock& fb, int k, std::int32_t* out) {
  IndexState& is = state(fb, k);
  fb.txn.opDirty = true;
  if (is.hdr.firstFreePage != -1) {
    std::int32_t p = is.hdr.firstFreePage;
    if (!pageInRange(is, p) || is.hdr.numberFreePages < 1) return corrupt();
    const std::uint8_t* b = nullptr;
    if (Status s = pageRead(fb, k, p, &b); !s.ok()) return s;
    std::int32_t link = rd32(b);
    if (link != -1 && !pageInRange(is, link)) return corrupt();
    is.hdr.firstFreePage = link;
    is.hdr.numberFreePages -= 1;
    *out = p;
    return okStatus();
  }
  if (is.hdr.numPages >= INT32_MAX - 1) return err(isam_error::kGeneral);
  is.hdr.numPages += 1;
  *out = is.hdr.numPages;
  return okStatus();
}

Status freePage(FileBlock& fb, int k, std::int32_t page) {
  IndexState& is = state(fb, k);
  std::uint8_t* p = nullptr;
  if (Status s = pageWrite(fb, k, page, &p); !s.ok()) return s;
  wr32(p, is.hdr.firstFreePage);
  pageMarkDirty(fb, k, page, 4);
  is.hdr.firstFreePage = page;
  is.hdr.numberFreePages += 1;
  return okStatus();
}

// Descends from the root with `a`, recording the path. On a match the last entry's idx is the
// matching item; otherwise the path ends at a leaf with idx = the last item below `a`.
Status descend(FileBlock& fb, int k, const Arg& a, std::vector<PathEntry>* path, bool* found) {
  IndexState& is = state(fb, k);
  path->clear();
  *found = false;
  std::int32_t page = is.hdr.rootPage;
  while (page != 0) {
    if (static_cast<int>(path->size()) >= kMaxDepth) return corrupt();
    const std::uint8_t* p = nullptr;
    if (Status s = readChecked(fb, k, page, &p); !s.ok()) return s;
    int n = rd16(p);
    int lo = 1, hi = n, mid = 0;
    while (hi >= lo) {
      mid = (lo + hi) / 2;
      int c = compareArg(a, p + 6 + (mid - 1) * is.stride);
      if (c <= 0) hi = mid - 1;
      if (c >= 0) lo = mid + 1;
    }
    if (lo - hi >= 2) {
      path->push_back({page, mid});
      *found = true;
      return okStatus();
    }
    path->push_back({page, hi});
    page = hi == 0 ? rd32(p + 2) : rd32(p + 6 + (hi - 1) * is.stride + 4);
  }
  return okStatus();
}

// Moves the position one entry on. `*end` when there is none (the position is then before
// the first entry). On success the last path entry names the current item.
Status advance(FileBlock& fb, int k, bool* end, const std::uint8_t** item = nullptr) {
  IndexState& is = state(fb, k);
  auto& path = is.path;
  *end = false;
  const std::uint8_t* p = nullptr;
  if (path.empty()) {
    std::int32_t page = is.hdr.rootPage;
    while (page != 0) {
      if (static_cast<int>(path.size()) >= kMaxDepth) return corrupt();
      if (Status s = readChecked(fb, k, page, &p); !s.ok()) return s;
      path.push_back({page, 0});
      page = rd32(p + 2);
    }
    if (path.empty()) {
      *end = true;
      return okStatus();
    }
  } else {
    PathEntry& top = path.back();
    if (Status s = readChecked(fb, k, top.page, &p); !s.ok()) return s;
    if (rd32(p + 2) != 0 && top.idx >= 1 && top.idx <= rd16(p)) {
      // On an inner item: its successor is the first entry of its right subtree.
      std::int32_t page = rd32(p + 6 + (top.idx - 1) * is.stride + 4);
      while (page != 0) {
        if (static_cast<int>(path.size()) >= kMaxDepth) return corrupt();
        if (Status s = readChecked(fb, k, page, &p); !s.ok()) return s;
        path.push_back({page, 0});
        page = rd32(p + 2);
      }
    }
  }
  while (!path.empty()) {
    PathEntry& top = path.back();
    if (Status s = readChecked(fb, k, top.page, &p); !s.ok()) return s;
    if (top.idx < rd16(p)) {
      top.idx += 1;
      if (item) *item = p + 6 + (top.idx - 1) * is.stride;
      return okStatus();
    }
    path.pop_back();
  }
  *end = true;
  return okStatus();
}

Status currentItem(FileBlock& fb, int k, std::int32_t* ref, std::string* key) {
  IndexState& is = state(fb, k);
  const PathEntry& top = is.path.back();
  const std::uint8_t* p = nullptr;
  if (Status s = readChecked(fb, k, top.page, &p); !s.ok()) return s;
  const std::uint8_t* q = p + 6 + (top.idx - 1) * is.stride;
  *ref = rd32(q);
  if (key) key->assign(reinterpret_cast<const char*>(q + 9), q[8]);
  return okStatus();
}

Arg makeArg(const IndexState& is, std::string_view key, std::int32_t ref, bool useRef) {
  return Arg{reinterpret_cast<const std::uint8_t*>(key.data()),
             static_cast<int>(std::min<std::size_t>(key.size(), kMaxKeyLen)), ref,
             useRef && is.hdr.allowDuplicates != 0};
}

Item makeItem(std::string_view key, std::int32_t ref) {
  Item it{};
  it.ref = ref;
  it.len = static_cast<std::uint8_t>(key.size());
  std::memcpy(it.key, key.data(), key.size());
  return it;
}

// The child page that entry `idx` of `node` leads to (0 = LeftChild).
std::int32_t childOf(const Node& node, int idx) {
  return idx == 0 ? node.left : node.items[idx - 1].right;
}

// Shares the items of two neighbouring pages and their separator items[sep] in the parent
// anew: the left page keeps the first `a` of them (evenly split when `a` is negative), the
// next one becomes the separator and the rest go to the right page.
void redistribute(Node& l, Node& r, Node& parent, int sep, std::int32_t rightPage, int a = -1) {
  std::vector<Item> seq(l.items, l.items + l.n);
  Item s = parent.items[sep];
  s.right = r.left;
  seq.push_back(s);
  seq.insert(seq.end(), r.items, r.items + r.n);
  int total = static_cast<int>(seq.size());
  if (a < 0) a = (total - 1) / 2;
  l.n = a;
  std::copy(seq.begin(), seq.begin() + a, l.items);
  Item mid = seq[static_cast<std::size_t>(a)];
  r.left = mid.right;
  r.n = total - a - 1;
  std::copy(seq.begin() + a + 1, seq.end(), r.items);
  mid.right = rightPage;
  parent.items[sep] = mid;
}

}  // namespace

// Insert, phase 2: puts `u` as item `pos` of the last page of `path`. A page with room takes
// it in place; a full one first passes items to a sibling with room (right, else left), else
// splits and sends its middle item one level up, and a split root gives a new root.
static Status insertUp(FileBlock& fb, int k, const std::vector<PathEntry>& path, Item u) {
  const int m = state(fb, k).maxItems;
  int level = static_cast<int>(path.size()) - 1;
  int pos = path.back().idx;
  Node x, q, sib, r;
  Status s = okStatus();
  for (;;) {
    std::int32_t pg = path[static_cast<std::size_t>(level)].page;
    int count = 0;
    if (s = itemCount(fb, k, pg, &count); !s.ok()) return s;
    if (count < m) return insertItemAt(fb, k, pg, pos, u);
    if (s = loadNode(fb, k, pg, &x); !s.ok()) return s;
    x.insert(pos, u);
    if (level > 0) {
      std::int32_t qp = path[static_cast<std::size_t>(level - 1)].page;
      int qi = path[static_cast<std::size_t>(level - 1)].idx;
      if (s = loadNode(fb, k, qp, &q); !s.ok()) return s;
      bool right = qi < q.n;
      std::int32_t sp = right ? q.items[qi].right : childOf(q, qi - 1);
      if (s = loadNode(fb, k, sp, &sib); !s.ok()) return s;
      if (sib.n < m) {
        if (right) {
          redistribute(x, sib, q, qi, sp);
        } else {
          redistribute(sib, x, q, qi - 1, pg);
        }
        if (s = storeNode(fb, k, pg, x); !s.ok()) return s;
        if (s = storeNode(fb, k, sp, sib); !s.ok()) return s;
        return storeNode(fb, k, qp, q);
      }
    }
    // Split: the lowest m/2 stay, the next moves up, the rest go to a new page.
    std::int32_t rp = 0;
    if (s = allocPage(fb, k, &rp); !s.ok()) return s;
    int half = m / 2;
    Item mid = x.items[half];
    r.left = mid.right;
    r.n = x.n - half - 1;
    std::copy(x.items + half + 1, x.items + x.n, r.items);
    x.n = half;
    mid.right = rp;
    if (s = storeNode(fb, k, pg, x); !s.ok()) return s;
    if (s = storeNode(fb, k, rp, r); !s.ok()) return s;
    if (level == 0) {
      std::int32_t root = 0;
      if (s = allocPage(fb, k, &root); !s.ok()) return s;
      Node nr;
      nr.left = pg;
      nr.insert(0, mid);
      if (s = storeNode(fb, k, root, nr); !s.ok()) return s;
      state(fb, k).hdr.rootPage = root;
      return s;
    }
    u = mid;
    --level;
    pos = path[static_cast<std::size_t>(level)].idx;
  }
}

Status addKey(FileBlock& fb, int k, std::int32_t ref, std::string_view key) {
  IndexState& is = state(fb, k);
  if (static_cast<int>(key.size()) > is.keyLen) return err(isam_error::kKeyTooLong);
  txnBegin(fb);
  std::vector<PathEntry> path;
  bool found = false;
  Status s = descend(fb, k, makeArg(is, key, ref, true), &path, &found);
  if (s.ok() && found) s = err(isam_error::kKeyExists);
  if (s.ok() && path.empty()) {
    std::int32_t root = 0;
    s = allocPage(fb, k, &root);
    if (s.ok()) {
      Node node;
      node.insert(0, makeItem(key, ref));
      s = storeNode(fb, k, root, node);
      state(fb, k).hdr.rootPage = root;
    }
  } else if (s.ok()) {
    s = insertUp(fb, k, path, makeItem(key, ref));
  }
  if (s.ok()) {
    state(fb, k).hdr.numKeys += 1;
    state(fb, k).posValid = false;
  }
  return txnEnd(fb, s, isam_error::kAddKeyRestored);
}

// Delete, phase 2: takes the entry at the end of `path` out of its page. In a leaf it is
// erased; in an inner page it is replaced by its predecessor, the last item of the
// rightmost leaf of its left subtree, and `path` is extended down to that leaf.
static Status removeEntry(FileBlock& fb, int k, std::vector<PathEntry>& path) {
  const IndexState& is = state(fb, k);
  const std::int32_t pg = path.back().page;
  const int i = path.back().idx;
  const std::uint8_t* p = nullptr;
  Status s = readChecked(fb, k, pg, &p);
  if (!s.ok()) return s;
  if (rd32(p + 2) == 0) return eraseItemAt(fb, k, pg, i - 1);
  path.back().idx = i - 1;
  Item x;
  decodeItem(p + 6 + (i - 1) * is.stride, &x);
  std::int32_t cp = i == 1 ? rd32(p + 2) : rd32(p + 6 + (i - 2) * is.stride + 4);
  int n = 0;
  for (;;) {
    if (static_cast<int>(path.size()) >= kMaxDepth) return corrupt();
    if (s = readChecked(fb, k, cp, &p); !s.ok()) return s;
    n = rd16(p);
    path.push_back({cp, n});
    if (rd32(p + 2) == 0) break;
    cp = rd32(p + 6 + (n - 1) * is.stride + 4);
  }
  Item pred;
  decodeItem(p + 6 + (n - 1) * is.stride, &pred);
  if (s = eraseItemAt(fb, k, cp, n - 1); !s.ok()) return s;
  pred.right = x.right;
  return replaceItemAt(fb, k, pg, i - 1, pred);
}

// Delete, phase 3: repairs underfull pages on the way up `path`, borrowing from a sibling
// that can spare items (which ends the repair) or merging with it (which may leave the
// parent underfull in turn).
static Status rebalanceUp(FileBlock& fb, int k, const std::vector<PathEntry>& path) {
  const int m = state(fb, k).maxItems;
  const int minItems = m / 2;
  Node x, q, sib;
  Status s = okStatus();
  for (int level = static_cast<int>(path.size()) - 1; s.ok() && level > 0; --level) {
    std::int32_t xp = path[static_cast<std::size_t>(level)].page;
    int count = 0;
    // The page just lost an item (or a separator), possibly its last one.
    if (s = itemCount(fb, k, xp, &count, true); !s.ok()) return s;
    if (count >= minItems) return s;
    if (s = loadNode(fb, k, xp, &x, true); !s.ok()) return s;
    std::int32_t qp = path[static_cast<std::size_t>(level - 1)].page;
    int qi = path[static_cast<std::size_t>(level - 1)].idx;
    if (s = loadNode(fb, k, qp, &q); !s.ok()) return s;
    bool right = qi < q.n;
    int sep = right ? qi : qi - 1;
    std::int32_t sp = right ? q.items[qi].right : childOf(q, qi - 1);
    if (s = loadNode(fb, k, sp, &sib); !s.ok()) return s;
    Node& l = right ? x : sib;
    Node& r = right ? sib : x;
    std::int32_t lp = right ? xp : sp;
    std::int32_t rp = right ? sp : xp;
    if (sib.n > minItems) {
      // Borrow (sibling - min + 1) / 2 items through the separator.
      int moves = (sib.n - minItems + 1) / 2;
      redistribute(l, r, q, sep, rp, right ? x.n + moves : sib.n - moves);
      if (s = storeNode(fb, k, lp, l); !s.ok()) return s;
      if (s = storeNode(fb, k, rp, r); !s.ok()) return s;
      return storeNode(fb, k, qp, q);
    }
    // Merge the right page and the separator into the left one.
    Item sp2 = q.items[sep];
    sp2.right = r.left;
    l.items[l.n++] = sp2;
    std::copy(r.items, r.items + r.n, l.items + l.n);
    l.n += r.n;
    if (l.n > m) return corrupt();
    q.erase(sep);
    if (s = storeNode(fb, k, lp, l); !s.ok()) return s;
    if (s = freePage(fb, k, rp); !s.ok()) return s;
    s = storeNode(fb, k, qp, q);
  }
  return s;
}

// A root left without items gives way to its only child (0 when the index is empty).
static Status shrinkRoot(FileBlock& fb, int k) {
  std::int32_t root = state(fb, k).hdr.rootPage;
  const std::uint8_t* p = nullptr;
  Status s = pageRead(fb, k, root, &p);
  if (s.ok() && rd16(p) == 0) {
    state(fb, k).hdr.rootPage = rd32(p + 2);
    s = freePage(fb, k, root);
  }
  return s;
}

// Finds the entry, removes it (phase 2), rebalances upward (phase 3), all in one
// transaction: a failure in any phase rolls the index back.
Status deleteKey(FileBlock& fb, int k, std::int32_t ref, std::string_view key) {
  IndexState& is = state(fb, k);
  txnBegin(fb);
  std::vector<PathEntry> path;
  bool found = false;
  Status s = descend(fb, k, makeArg(is, key, ref, true), &path, &found);
  if (s.ok() && !found) s = err(isam_error::kDeleteKeyNotFound);
  if (s.ok()) s = removeEntry(fb, k, path);
  if (s.ok()) s = rebalanceUp(fb, k, path);
  if (s.ok()) s = shrinkRoot(fb, k);
  if (s.ok()) {
    state(fb, k).hdr.numKeys -= 1;
    state(fb, k).posValid = false;
  }
  return txnEnd(fb, s, isam_error::kDeleteKeyRestored);
}

Status findKey(FileBlock& fb, int k, std::int32_t* ref, std::string_view key) {
  IndexState& is = state(fb, k);
  bool found = false;
  is.posValid = false;
  Status s = descend(fb, k, makeArg(is, key, 0, true), &is.path, &found);
  if (!s.ok()) {
    is.path.clear();
    return s;
  }
  is.posValid = true;
  if (found) return currentItem(fb, k, ref, nullptr);
  if (is.hdr.allowDuplicates) {
    std::vector<PathEntry> saved = is.path;
    bool end = false;
    if (s = advance(fb, k, &end); !s.ok()) {
      is.posValid = false;
      return s;
    }
    if (!end) {
      std::int32_t r = 0;
      std::string got;
      if (s = currentItem(fb, k, &r, &got); !s.ok()) return s;
      if (got.size() == key.size() && std::memcmp(got.data(), key.data(), key.size()) == 0) {
        *ref = r;
        return okStatus();
      }
    }
    is.path = saved;
  }
  return err(isam_error::kKeyNotFound);
}

Status searchKey(FileBlock& fb, int k, std::int32_t* ref, std::string* key) {
  Status s = findKey(fb, k, ref, *key);
  if (s.ok()) return s;
  if (s.error != isam_error::kKeyNotFound) return s;
  IndexState& is = state(fb, k);
  bool end = false;
  if (s = advance(fb, k, &end); !s.ok()) {
    is.posValid = false;
    return s;
  }
  if (end) return err(isam_error::kSearchNotFound);
  return currentItem(fb, k, ref, key);
}

Status nextKey(FileBlock& fb, int k, std::int32_t* ref, std::string* key) {
  IndexState& is = state(fb, k);
  if (!is.posValid) {
    bool found = false;
    Status s = descend(fb, k, makeArg(is, *key, *ref, true), &is.path, &found);
    if (!s.ok()) {
      is.path.clear();
      return s;
    }
    is.posValid = true;
  }
  bool end = false;
  const std::uint8_t* q = nullptr;
  if (Status s = advance(fb, k, &end, &q); !s.ok()) {
    is.posValid = false;
    is.path.clear();
    return s;
  }
  if (end) return err(isam_error::kNoNextKey);
  *ref = rd32(q);
  key->assign(reinterpret_cast<const char*>(q + 9), q[8]);
  return okStatus();
}

Status clearKey(FileBlock& fb, int k) {
  IndexState& is = state(fb, k);
  is.path.clear();
  is.posValid = true;
  return okStatus();
}

}  // namespace liga::storage
