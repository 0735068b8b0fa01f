// bench_software_gl_load [WORK]: another program drawing in software, for
// bench_stage_audio's floor under the same kind of load: a 1600 x 1000 window
// redrawn 30 times a second by a fragment shader doing WORK (default 14)
// rounds of arithmetic a pixel, which keeps Mesa's rasteriser threads about as
// busy as the stage keeps them. Runs until it is stopped.

#include <QGuiApplication>
#include <QOpenGLExtraFunctions>
#include <QOpenGLShaderProgram>
#include <QOpenGLVertexArrayObject>
#include <QOpenGLWindow>
#include <QSurfaceFormat>
#include <QTimer>

#include <algorithm>
#include <cstdlib>

namespace {

class LoadWindow : public QOpenGLWindow, private QOpenGLExtraFunctions {
public:
    explicit LoadWindow(int work) : work_(work) {}

private:
    void initializeGL() override
    {
        initializeOpenGLFunctions();
        program_.addShaderFromSourceCode(QOpenGLShader::Vertex, R"(#version 330 core
out vec2 place;
void main() {
    vec2 corner = vec2((gl_VertexID & 1) * 2 - 1, (gl_VertexID >> 1) * 2 - 1);
    place = corner;
    gl_Position = vec4(corner, 0.0, 1.0);
})");
        program_.addShaderFromSourceCode(QOpenGLShader::Fragment, R"(#version 330 core
in vec2 place;
out vec4 colour;
uniform float time;
uniform int work;
void main() {
    float sum = 0.0;
    for (int i = 0; i < work; ++i) sum += sin(place.x * float(i) + time) * cos(place.y * float(i) - time);
    colour = vec4(sum * 0.1, 0.5, 0.3, 1.0);
})");
        program_.link();
        shape_.create();
    }

    void paintGL() override
    {
        time_ += 0.03f;
        program_.bind();
        program_.setUniformValue("time", time_);
        program_.setUniformValue("work", work_);
        shape_.bind();
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    }

    QOpenGLShaderProgram program_;
    QOpenGLVertexArrayObject shape_;
    float time_ = 0;
    int work_;
};

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    QSurfaceFormat format;
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    QSurfaceFormat::setDefaultFormat(format);
    LoadWindow window(argc > 1 ? std::max(1, std::atoi(argv[1])) : 14);
    window.resize(1600, 1000);
    window.show();
    QTimer frames;
    QObject::connect(&frames, &QTimer::timeout, &window, [&window] { window.update(); });
    frames.start(33);
    return app.exec();
}
