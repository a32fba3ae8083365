#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Velmaris Glyphon");
    QApplication::setOrganizationName("Velmaris");
    QApplication::setApplicationVersion(GLYPHON_VERSION);

    // The main window with its menus and editor comes with the main-window work; until then
    // this window only shows that the program starts.
    QMainWindow window;
    window.setWindowTitle("Velmaris Glyphon");
    window.setCentralWidget(new QLabel("Velmaris Glyphon", &window));
    window.resize(640, 480);
    window.show();
    return app.exec();
}
