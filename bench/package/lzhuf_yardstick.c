/* The yardstick of the whole-process decode benchmark: the published 1988
 * LZHUF decoder as it was written, in plain C, redone here from the algorithm.
 * It reads its input with getc and writes with putc, keeps its 16-bit bit
 * buffer topped up a byte at a time, walks the adaptive Huffman tree one step
 * per bit, finds each count's new place with a linear scan, and keeps the
 * window as a 4,096-byte ring. The one change: our streams have no length
 * header, so the length comes from the command line.
 *
 *   lzhuf_yardstick SIZE IN OUT
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define RING 4096            /* window size */
#define LONGEST 60           /* longest match */
#define SHORTEST 3           /* shortest match */
#define SYMBOLS (256 - SHORTEST + LONGEST + 1) /* literals and match lengths */
#define NODES (2 * SYMBOLS - 1)
#define ROOT (NODES - 1)
#define FREQ_LIMIT 0x8000    /* root count that halves every count */

static unsigned freq[NODES + 1];       /* counts; freq[NODES] stops the scans */
static int parent[NODES + SYMBOLS];    /* [NODES + s]: the leaf of symbol s */
static int child[NODES];               /* children child[n] and child[n] + 1, or NODES + s */
static unsigned char ring[RING + LONGEST - 1];
static unsigned char position_upper[256], position_length[256];

static FILE *in, *out;
static unsigned bit_buffer, bit_count;

/* The fixed code of a distance's upper six bits, looked up by its first byte. */
static void make_position_tables(void) {
  static const int codes_of_length[] = {1, 3, 8, 12, 24, 16}; /* lengths 3 to 8 */
  int length, k, upper = 0, entry = 0;
  for (length = 3; length <= 8; length++) {
    for (k = 0; k < codes_of_length[length - 3]; k++, upper++) {
      int run;
      for (run = 0; run < 1 << (8 - length); run++, entry++) {
        position_upper[entry] = (unsigned char)upper;
        position_length[entry] = (unsigned char)length;
      }
    }
  }
}

static int get_bit(void) {
  int c;
  while (bit_count <= 8) {
    if ((c = getc(in)) < 0) c = 0;
    bit_buffer |= (unsigned)c << (8 - bit_count);
    bit_count += 8;
  }
  c = (bit_buffer >> 15) & 1;
  bit_buffer = (bit_buffer << 1) & 0xFFFF;
  bit_count--;
  return c;
}

static int get_byte(void) {
  int c;
  while (bit_count <= 8) {
    if ((c = getc(in)) < 0) c = 0;
    bit_buffer |= (unsigned)c << (8 - bit_count);
    bit_count += 8;
  }
  c = bit_buffer >> 8;
  bit_buffer = (bit_buffer << 8) & 0xFFFF;
  bit_count -= 8;
  return c;
}

static void start_tree(void) {
  int i, j;
  for (i = 0; i < SYMBOLS; i++) {
    freq[i] = 1;
    child[i] = i + NODES;
    parent[i + NODES] = i;
  }
  for (i = 0, j = SYMBOLS; j <= ROOT; i += 2, j++) {
    freq[j] = freq[i] + freq[i + 1];
    child[j] = i;
    parent[i] = parent[i + 1] = j;
  }
  freq[NODES] = 0xFFFF;
  parent[ROOT] = 0;
}

/* Halves the counts: the leaves move to the front in their order, then each
 * inner node is inserted where its count keeps the order. */
static void rebuild_tree(void) {
  int i, j, k;
  for (i = 0, j = 0; i < NODES; i++) {
    if (child[i] >= NODES) {
      freq[j] = (freq[i] + 1) / 2;
      child[j] = child[i];
      j++;
    }
  }
  for (i = 0, j = SYMBOLS; j < NODES; i += 2, j++) {
    unsigned sum = freq[i] + freq[i + 1];
    for (k = j - 1; sum < freq[k]; k--) continue;
    k++;
    memmove(&freq[k + 1], &freq[k], (size_t)(j - k) * sizeof freq[0]);
    freq[k] = sum;
    memmove(&child[k + 1], &child[k], (size_t)(j - k) * sizeof child[0]);
    child[k] = i;
  }
  for (i = 0; i < NODES; i++) {
    k = child[i];
    parent[k] = i;
    if (k < NODES) parent[k + 1] = i;
  }
}

/* Counts symbol s up to the root, swapping each raised node past the nodes
 * it now outweighs. */
static void count_symbol(int s) {
  int node, to, a, b;
  unsigned raised;
  if (freq[ROOT] == FREQ_LIMIT) rebuild_tree();
  node = parent[s + NODES];
  do {
    raised = ++freq[node];
    if (raised > freq[to = node + 1]) {
      while (raised > freq[++to]) continue;
      to--;
      freq[node] = freq[to];
      freq[to] = raised;
      a = child[node];
      parent[a] = to;
      if (a < NODES) parent[a + 1] = to;
      b = child[to];
      child[to] = a;
      parent[b] = node;
      if (b < NODES) parent[b + 1] = node;
      child[node] = b;
      node = to;
    }
  } while ((node = parent[node]) != 0);
}

static int decode_symbol(void) {
  int node = child[ROOT];
  while (node < NODES) node = child[node + get_bit()];
  node -= NODES;
  count_symbol(node);
  return node;
}

static int decode_distance(void) {
  int code = get_byte(), upper = position_upper[code], more = position_length[code] - 2;
  while (more--) code = (code << 1) + get_bit();
  return (upper << 6) | (code & 0x3F);
}

static void decode(long size) {
  long done = 0;
  int r = RING - LONGEST, c, from, length, k;
  memset(ring, ' ', RING - LONGEST);
  start_tree();
  while (done < size) {
    c = decode_symbol();
    if (c < 256) {
      putc(c, out);
      ring[r++] = (unsigned char)c;
      r &= RING - 1;
      done++;
    } else {
      from = (r - decode_distance() - 1) & (RING - 1);
      length = c - 256 + SHORTEST;
      for (k = 0; k < length; k++) {
        c = ring[(from + k) & (RING - 1)];
        putc(c, out);
        ring[r++] = (unsigned char)c;
        r &= RING - 1;
        done++;
      }
    }
  }
}

int main(int argc, char **argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: lzhuf_yardstick SIZE IN OUT\n");
    return 2;
  }
  if ((in = fopen(argv[2], "rb")) == NULL || (out = fopen(argv[3], "wb")) == NULL) {
    perror("lzhuf_yardstick");
    return 1;
  }
  make_position_tables();
  decode(strtol(argv[1], NULL, 10));
  return fclose(out) == 0 ? 0 : 1;
}
