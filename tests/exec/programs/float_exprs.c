/* Float arguments and returns that are expressions, and float structure members and array
   elements inside expressions. */
#include "target.h"

struct pair { double m; u8 k; };
struct pair st = {2.5, 1};
double arr[2] = {2.0, -3.0};
double a = 1.5, b = -2.25;
double r_call, r_elem;
u8 j = 1;

static double madd(double x, double y) { return x * y + st.m; }

int main(void)
{
    r_call = madd(a + b, arr[j] * 2.0);
    r_elem = st.m * arr[j] + arr[0];
    st.m += arr[j] - a;
    STOP();
}
