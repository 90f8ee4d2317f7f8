         END
