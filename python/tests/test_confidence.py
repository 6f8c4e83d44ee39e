import math
import unittest

from kvrtarvos.confidence import clopper_pearson


class ClopperPearsonTest(unittest.TestCase):
    def test_exact_intervals(self):
        # Published exact 95 % intervals, and the zero-error limit 1 - 0.05^(1/n), about 3/n.
        for errors, bits, lower, upper in [(1, 10, 0.0025286, 0.4450161), (5, 100, 0.0164319, 0.1128349),
                                           (10, 10, 0.6915029, 1.0), (1, 99992640, 2.53197e-10, 5.57205e-08)]:
            with self.subTest(errors=errors, bits=bits):
                interval = clopper_pearson(errors, bits)
                self.assertFalse(interval.one_sided)
                self.assertAlmostEqual(interval.lower / lower, 1.0, places=4)
                self.assertAlmostEqual(interval.upper / upper, 1.0, places=4)
        interval = clopper_pearson(0, 1e8)
        self.assertEqual((interval.lower, interval.one_sided), (0.0, True))
        self.assertAlmostEqual(interval.upper * 1e8, -math.log(0.05), places=4)

    def test_the_programs_figures_to_the_last_digit(self):
        # As the C++ implementation of the programs computes them for a sweep's points.
        for errors, lower, upper in [(6448, 6.292033265345312e-05, 6.607822293208688e-05),
                                     (281893, 0.0028087546419446638, 0.002829549135480545)]:
            with self.subTest(errors=errors):
                self.assertEqual(clopper_pearson(errors, 99992640.0)[:2], (lower, upper))

    def test_counts_that_cannot_be_have_no_interval(self):
        for errors, bits in [(0, 0), (5, 4), (-1, 10), (math.nan, 10), (1, math.inf)]:
            with self.subTest(errors=errors, bits=bits):
                self.assertIsNone(clopper_pearson(errors, bits))


if __name__ == "__main__":
    unittest.main()
