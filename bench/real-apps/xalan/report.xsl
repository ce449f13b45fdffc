<?xml version="1.0" encoding="UTF-8"?>
<!-- Sales by city: rows grouped by a key, groups sorted, each with its count and sum; the kind
     of report a stylesheet turns an export into. The rows come from the benchmark's generator. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" indent="yes"/>
  <xsl:key name="by-city" match="row" use="@city"/>
  <xsl:template match="/rows">
    <html>
      <body>
        <h1>Sales by city</h1>
        <table>
          <tr><th>city</th><th>orders</th><th>total</th></tr>
          <xsl:for-each select="row[generate-id() = generate-id(key('by-city', @city)[1])]">
            <xsl:sort select="@city"/>
            <xsl:variable name="group" select="key('by-city', @city)"/>
            <tr>
              <td><xsl:value-of select="@city"/></td>
              <td><xsl:value-of select="count($group)"/></td>
              <td><xsl:value-of select="format-number(sum($group/@amount), '#,##0.00')"/></td>
            </tr>
          </xsl:for-each>
        </table>
      </body>
    </html>
  </xsl:template>
</xsl:stylesheet>
