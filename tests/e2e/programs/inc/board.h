/* Found through -I only. */
#define LED_BIT 0
#define LED_MASK (1 << LED_BIT)
