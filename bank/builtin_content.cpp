// Built-in question bank content: assignment 001.
#include "bank/builtin_content.h"

#include <iterator>

namespace qa::bank {
namespace {

// The lines in bank order; a comment gives the line number of the text below it.
constexpr const char* kLines[] = {
    "001.  test 1",
    "",
    // 3
    "A rubber band is stretched to lengths of 10 cm, 12 cm, 14 cm, 16 cm and 18 cm, and the tension "
    "force it exerts at these lengths is measured as 0.8 N, 1.9 N, 2.7 N, 3.3 N and 3.7 N. Write these "
    "forces as a sequence and find its sequence of first differences, then the sequence of second "
    "differences. What do the signs of these differences tell you about how the force changes? Finally, "
    "find a sequence whose first differences are the five forces, beginning with 0.",
    "",
    // 5
    "Sketch a trapezoidal graph of force against length using the rubber band data. Find the slope of "
    "each trapezoid and the area of each trapezoid. How do the slopes compare with the difference "
    "sequence, and how do the areas compare with the sequence whose differences are the forces? Explain "
    "your thinking.",
    "",
    // 7
    "Water flows from a container, and the depth is 60 cm at t = 0 s, 45 cm at t = 20 s, 34 cm at t = 40 "
    "s and 27 cm at t = 60 s. Sketch a trapezoidal graph of depth against clock time and find its "
    "slopes. What do the slopes mean? If the container has a circumference of 30 cm, what is the average "
    "flow rate on each interval?",
    "",
    // 9
    "The rate at which water flows into a tube is 4 cm^3/s at t = 0 s, 7 cm^3/s at t = 10 s, 9 cm^3/s at "
    "t = 20 s and 10 cm^3/s at t = 30 s. Sketch a trapezoidal graph of flow rate against clock time. "
    "Find the slope and area of each trapezoid, and explain what each one means. If the tube has a "
    "cross-section of 5 cm^2, how much does the water rise on each interval, and how much in all? Give "
    "units in all answers.",
    "",
    // 11
    "Using the depth data from the container, find the change in volume on each time interval, and the "
    "average rate of change of volume on each. State units for every answer.",
    "",
    // 13
    "Consider the sequence 13, 17, 20, 22, 23. Find its first differences and its second differences. If "
    "this sequence gives the heights of points on a graph at equally spaced positions, what does the "
    "sign of each first difference tell you about the graph? What does the sign of each second "
    "difference tell you? Describe the graph as increasing or decreasing, and at an increasing or "
    "decreasing rate.",
    "",
    // 15
    "A car passes milepost 100 at 2:10 pm and milepost 124 at 2:40 pm. What is the car's average rate of "
    "change of position?",
    "",
    // 17
    "A car travels at a steady speed of 60 mph, then slows to 20 mph through a construction zone, then "
    "resumes its old speed. Sketch a graph of position against clock time for this trip. How does the "
    "slope of your graph show the slowdown? What does the graph look like through the construction zone?",
    "",
    // 19
    "A student's exam score is 50 with no study, 70 after 5 hours, 82 after 10 hours and 86 after 15 "
    "hours. Sketch a trapezoidal graph of score against hours of study. What does the slope of each "
    "trapezoid mean? What do these changing slopes tell you? ",
    "",
    // 21
    "A marble is released from rest and rolls 60 cm down an incline in 3 seconds. What is its average "
    "velocity?\xA0"
    "If its velocity increases at a steady rate, sketch a graph of its velocity against clock time. "
    "Using the fact that its average velocity is halfway between the initial and final velocities, what "
    "is its maximum velocity? At what average rate does its velocity change?",
    "",
    // 23
    "Evaluate the polynomial y = x^3 - 2x + 1 at x = 0, 1, 2, 3 and 4, and write the values as a "
    "sequence. Find the first, second and third differences of the sequence. What do you notice about "
    "the third differences? Explain why this should be so for any cubic polynomial. Would the same be "
    "true of a quartic?",
    "",
    // 25
    "The frequency of a pendulum is f = 0.50 / sqrt(L), with L in meters. Find the average rate of "
    "change of frequency with respect to length as L increases from 1 m to 2 m. Explain what your answer "
    "means.",
    "",
    // 27
    "A population of 100 frogs lives in a small pond and grows by 10% every year. How many frogs will "
    "there be after 1, 2 and 3 years? Now suppose the yearly growth rate is 10% the first year, then "
    "drops by 2% each year as the pond fills. How many frogs will there be after 3 years? Compare your "
    "two answers, and explain why they differ as they do.",
    "",
    // 29
    "The rate of change of a pendulum's period with respect to length is 1.0 s/m at a length of 1 m and "
    "0.7 s/m at a length of 2 m. Estimate the change in period as length goes from 1 m to 2 m. Sketch a "
    "graph of rate against length and a graph of period against length. Show on each graph how the "
    "change in period is represented, and explain why the estimate is approximate. ",
};

} // namespace

const std::vector<std::string>& builtinContent()
{
    static const std::vector<std::string> content(std::begin(kLines), std::end(kLines));
    return content;
}

} // namespace qa::bank
