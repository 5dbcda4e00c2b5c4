// The program a user with OpenCV would write to find and outline every blob of a page, kept to
// compare whole-process times with: read the picture, take the red channel below 128 as
// dark (the rule umnoglaz uses), label the 8-connected components with their statistics, and
// trace every outer contour with all its points. One thread. It prints the two counts.
//   opencv_outlines PICTURE
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: opencv_outlines PICTURE\n", stderr);
        return 2;
    }
    cv::setNumThreads(1);
    const cv::Mat picture = cv::imread(argv[1], cv::IMREAD_COLOR);
    if (picture.empty()) {
        std::fprintf(stderr, "opencv_outlines: cannot read %s\n", argv[1]);
        return 1;
    }
    cv::Mat red;
    cv::extractChannel(picture, red, 2); // imread gives blue, green, red
    const cv::Mat dark = red < 128;
    cv::Mat labels, stats, centroids;
    const int components = cv::connectedComponentsWithStats(dark, labels, stats, centroids, 8);
    std::vector<std::vector<cv::Point>> contours;
    cv::findContours(dark, contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_NONE);
    std::size_t points = 0;
    for (const std::vector<cv::Point> &contour : contours)
        points += contour.size();
    std::printf("%d components, %zu contours, %zu contour points\n", components - 1,
        contours.size(), points);
    return 0;
}
