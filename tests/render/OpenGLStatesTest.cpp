#include "render/ZEOpenGLStates.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

TEST(OpenGLTextureUpload, FormatWrapAndFilterByKind)
{
    ZEGLTextureUpload rgb = ZEGLPlanTextureUpload(false, false, false, 2, true);
    EXPECT_EQ(rgb.m_ulFormat, GLenum(GL_RGB));
    EXPECT_EQ(rgb.m_ulWrap, GLenum(GL_REPEAT));
    EXPECT_TRUE(rgb.m_bMipmaps);
    EXPECT_EQ(rgb.m_ulMinFilter, GLenum(GL_LINEAR_MIPMAP_LINEAR));
    EXPECT_EQ(rgb.m_ulMagFilter, GLenum(GL_LINEAR));

    ZEGLTextureUpload alpha = ZEGLPlanTextureUpload(true, false, false, 0, true);
    EXPECT_EQ(alpha.m_ulFormat, GLenum(GL_RGBA));
    EXPECT_EQ(alpha.m_ulBytesPerTexel, 4u);
    EXPECT_EQ(alpha.m_ulMinFilter, GLenum(GL_NEAREST));
    EXPECT_EQ(alpha.m_ulMagFilter, GLenum(GL_NEAREST));

    ZEGLTextureUpload lightmap = ZEGLPlanTextureUpload(false, true, false, 1, true);
    EXPECT_EQ(lightmap.m_ulFormat, GLenum(GL_LUMINANCE));
    EXPECT_EQ(lightmap.m_ulBytesPerTexel, 1u);
    EXPECT_EQ(lightmap.m_ulWrap, GLenum(GL_CLAMP_TO_EDGE));

    EXPECT_EQ(ZEGLPlanTextureUpload(false, false, false, 7, true).m_ulMinFilter, GLenum(GL_LINEAR));
    EXPECT_FALSE(ZEGLPlanTextureUpload(false, false, false, 2, false).m_bMipmaps);
}

TEST(OpenGLTextureUpload, LevelsAreBuiltOnlyForTheFilterThatSamplesThem)
{
    for (uint16_t filter : {0, 1, 7})
    {
        ZEGLTextureUpload upload = ZEGLPlanTextureUpload(false, false, false, filter, true);
        EXPECT_FALSE(upload.m_bMipmaps) << "filter " << filter;
        EXPECT_NE(upload.m_ulMinFilter, GLenum(GL_LINEAR_MIPMAP_LINEAR)) << "filter " << filter;
    }
    EXPECT_TRUE(ZEGLPlanTextureUpload(false, false, false, 2, true).m_bMipmaps);
}

TEST(OpenGLTextureUpload, TrilinearNeverAsksForLevelsThatAreNotBuilt)
{
    // OpenGL ignores a texture whose filter wants missing levels: sky
    // boxes, fonts and lightmaps would vanish at filter mode 2.
    const bool kinds[][3] = {{true, false, false}, {false, true, false}, {false, false, true}};
    for (const auto& kind : kinds)
    {
        ZEGLTextureUpload upload = ZEGLPlanTextureUpload(kind[0], kind[1], kind[2], 2, true);
        EXPECT_FALSE(upload.m_bMipmaps);
        EXPECT_EQ(upload.m_ulMinFilter, GLenum(GL_LINEAR));
    }
}

TEST(OpenGLTextureBindings, OnlyChangesBindOnceEachUnitIsKnown)
{
    ZEGLTextureBindings bindings;
    EXPECT_TRUE(bindings.Bind(0, 0)) << "an unknown unit always binds";
    EXPECT_FALSE(bindings.Bind(0, 0));
    EXPECT_TRUE(bindings.Bind(0, 7));
    EXPECT_FALSE(bindings.Bind(0, 7));
    EXPECT_TRUE(bindings.Bind(1, 7)) << "units are apart";
    EXPECT_FALSE(bindings.Bind(1, 7));
    EXPECT_TRUE(bindings.Bind(2, 7)) << "beyond the units kept";
    EXPECT_TRUE(bindings.Bind(2, 7));

    bindings.Bound(0, 9);
    EXPECT_TRUE(bindings.Bind(0, 7)) << "a bind done elsewhere";
    bindings.Deleted(7);
    EXPECT_FALSE(bindings.Bind(0, 0)) << "deleting a bound texture leaves 0 bound";
    EXPECT_FALSE(bindings.Bind(1, 0));
    EXPECT_TRUE(bindings.Bind(1, 7));

    bindings.Forget();
    EXPECT_TRUE(bindings.Bind(0, 0));
    EXPECT_TRUE(bindings.Bind(1, 7));
}
