struct point { int x, y; };
struct rect {
    struct point min;
    struct point max;
};
union value { int i; char c; };
enum colour { RED, GREEN = 4, BLUE };
typedef struct rect rect_t;
typedef unsigned char byte;

int area(struct rect *r)
{
    return (r->max.x - r->min.x) * (r->max.y - r->min.y);
}

static int clamp(int v, int low, int high)
{
    if (v < low) return low;
    if (v > high) return high;
    return v;
}

unsigned char *fill(unsigned char *buffer, unsigned count, unsigned char value)
{
    unsigned i;
    for (i = 0; i < count; i++) buffer[i] = value;
    return buffer;
}

long
scale(long n,
      short factor)
{
    return n * clamp(factor, 1, 8);
}

int count;
rect_t frame;
byte level;
static char name[16];
const char *colour_name(enum colour c)
{
    switch (c) {
    case RED: return "red";
    case GREEN: return "green";
    default: return name;
    }
}
